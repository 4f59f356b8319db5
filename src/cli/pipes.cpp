// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/pipes.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cli/terminal_ui.h"
#include "io/file_io.h"

namespace tarnvold::cli {
namespace {

constexpr std::int64_t kSpoolLimit = (std::int64_t{1} << 31) + 1;

}  // namespace

std::string temporary_folder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

SpooledInput::SpooledInput() {
    const std::string folder = temporary_folder();
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        // A file system without unnamed temporary files: a named one,
        // removed at once.
        std::string name = folder + "/.tarnvold-stdin-XXXXXX";
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ < 0) throw IoError(folder, errno);
        ::unlink(name.c_str());
    }
    std::vector<char> buf(1 << 16);
    std::int64_t total = 0;
    while (total < kSpoolLimit) {
        const ssize_t n = ::read(STDIN_FILENO, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd_);
            throw IoError("standard input", error);
        }
        if (n == 0) break;
        if (const int error = write_all(fd_, {buf.data(), static_cast<std::size_t>(n)}); error != 0) {
            ::close(fd_);
            throw IoError(folder, error);
        }
        total += n;
    }
    path_ = "/dev/fd/" + std::to_string(fd_);
}

SpooledInput::~SpooledInput() {
    if (fd_ >= 0) ::close(fd_);
}

StdoutFile::StdoutFile(const std::string& name) {
    std::string folder = temporary_folder() + "/.tarnvold-stdout-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) throw IoError(temporary_folder(), errno);
    folder_ = folder;
    path_ = folder_ + "/" + name;
}

StdoutFile::~StdoutFile() {
    ::unlink(path_.c_str());
    ::rmdir(folder_.c_str());
}

void StdoutFile::send() {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw IoError(path_, errno);
    ::unlink(path_.c_str());
    ::rmdir(folder_.c_str());
    std::vector<char> buf(1 << 16);
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw IoError(path_, error);
        }
        if (n == 0) break;
        if (const int error = write_stdout({buf.data(), static_cast<std::size_t>(n)}); error != 0) {
            ::close(fd);
            throw IoError("standard output", error);
        }
    }
    ::close(fd);
}

}  // namespace tarnvold::cli
