// SPDX-License-Identifier: GPL-3.0-or-later
// Standard streams on POSIX systems: descriptors 0 and 1; the copy of
// standard input is reached again through /dev/fd, which opens the file
// anew whether it has a name or not.
#include "io/file_io_posix.h"
#include "io/folder.h"
#include "io/std_streams.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnvold {

int write_standard_output(const void* buf, std::size_t count) noexcept {
    return write_fully(STDOUT_FILENO, buf, count);
}

Destination standard_output_destination(const std::string& shown) {
    Destination d;
    d.path = d.target = shown;
    d.standard_output = true;
    struct stat st {};
    if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISREG(st.st_mode)) {
        d.regular = true;
        d.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    }
    return d;
}

bool names_standard_input(const std::string& path) {
    struct stat in {};
    struct stat named {};
    return ::fstat(STDIN_FILENO, &in) == 0 && ::stat(path.c_str(), &named) == 0 && in.st_dev == named.st_dev &&
           in.st_ino == named.st_ino;
}

struct SpooledInput::State {
    int fd = -1;
    std::int64_t size = 0;
    std::string name;
    Folder folder;
    ~State() {
        if (fd >= 0) ::close(fd);
    }
};

namespace {

std::string temporary_folder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

}  // namespace

SpooledInput::SpooledInput(std::int64_t limit) : state_(std::make_unique<State>()) {
    const std::string folder = temporary_folder();
    int& fd = state_->fd;
#ifdef O_TMPFILE
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    if (fd < 0) {
        // A file system without unnamed files: a named one, removed at once.
        std::string name = folder + "/.tarnvold-stdin-XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) throw IoError(folder, errno);
        ::unlink(name.c_str());
    }
    std::vector<unsigned char> buf(1 << 16);
    std::int64_t& total = state_->size;
    while (total < limit) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(limit - total, buf.size()));
        const ssize_t n = ::read(STDIN_FILENO, buf.data(), want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw IoError("standard input", errno);
        if (n == 0) break;
        if (const int error = write_fully(fd, buf.data(), static_cast<std::size_t>(n)); error != 0)
            throw IoError(folder, error);
        total += n;
    }
    // /dev/fd is where the system keeps it; /proc/self/fd where /dev lacks it.
    try {
        state_->folder = Folder::open("/dev/fd", Folder::Use::List);
    } catch (const IoError&) {
        state_->folder = Folder::open("/proc/self/fd", Folder::Use::List);
    }
    state_->name = std::to_string(fd);
}

SpooledInput::~SpooledInput() = default;

const Folder& SpooledInput::folder() const { return state_->folder; }
const std::string& SpooledInput::name() const { return state_->name; }
std::int64_t SpooledInput::size() const { return state_->size; }

}  // namespace tarnvold
