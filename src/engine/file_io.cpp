#include "file_io.h"

#include "checksum.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "work_pool.h"

namespace tarnvold {
namespace {

IoFaultHook g_hook = nullptr;
void* g_hook_context = nullptr;

void check_fault(IoOp op, const std::string& path) {
    if (g_hook != nullptr) {
        const int code = g_hook(op, path, g_hook_context);
        if (code != 0) throw IoError(path, code);
    }
}

std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void set_io_fault_hook(IoFaultHook hook, void* context) {
    g_hook = hook;
    g_hook_context = context;
}

IoError::IoError(std::string path, int code)
    : std::runtime_error(with_full_stop(path + ": " +
                                        (code == kEndOfFile ? std::string("Read beyond end of file")
                                                            : std::string(std::strerror(code))))),
      path_(std::move(path)),
      code_(code) {}

std::string IoError::reason() const {
    return code_ == kEndOfFile ? std::string("Read beyond end of file")
                               : std::string(std::strerror(code_));
}

std::string with_full_stop(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::int64_t file_size_or_minus1(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

// ---------------------------------------------------------------- InputFile

InputFile::InputFile(const std::string& path) : path_(path) {
    check_fault(IoOp::OpenRead, path_);
    // Opened without waiting, so that a named pipe with no writer cannot
    // hang the program; reads then wait as usual.
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw IoError(path_, errno);
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw IoError(path_, EISDIR);
    }
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t InputFile::size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw IoError(path_, errno);
    return static_cast<std::int64_t>(st.st_size);
}

void InputFile::seek(std::int64_t position) {
    check_fault(IoOp::Seek, path_);
    if (position < 0) throw IoError(path_, EINVAL);
    if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) throw IoError(path_, errno);
}

namespace {

// Reads exactly count bytes at `position`; 0 or the error number.
int pread_exact(int fd, unsigned char* p, std::size_t count, off_t position) {
    while (count > 0) {
        const ssize_t got = ::pread(fd, p, count > (1u << 30) ? (1u << 30) : count, position);
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (got == 0) return IoError::kEndOfFile;
        p += got;
        count -= static_cast<std::size_t>(got);
        position += static_cast<off_t>(got);
    }
    return 0;
}

int pwrite_all(int fd, const unsigned char* p, std::size_t count, off_t position) {
    while (count > 0) {
        const ssize_t put = ::pwrite(fd, p, count > (1u << 30) ? (1u << 30) : count, position);
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (put == 0) return ENOSPC;
        p += put;
        count -= static_cast<std::size_t>(put);
        position += static_cast<off_t>(put);
    }
    return 0;
}

}  // namespace

unsigned char* piece_scratch() noexcept {
    // Kept for the thread's life: a piece read into it is still in the
    // processor's cache when it is coded and written.
    thread_local std::unique_ptr<unsigned char[]> scratch(new (std::nothrow) unsigned char[kScratchSize]);
    return scratch.get();
}

std::int64_t InputFile::position() const {
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    if (at < 0) throw IoError(path_, errno);
    return static_cast<std::int64_t>(at);
}

void InputFile::begin_read() { check_fault(IoOp::Read, path_); }

int InputFile::read_at(void* buf, std::size_t count, std::int64_t offset) const noexcept {
    return pread_exact(fd_, static_cast<unsigned char*>(buf), count, static_cast<off_t>(offset));
}

void InputFile::read_exact(void* buf, std::size_t count) {
    check_fault(IoOp::Read, path_);
    auto* p = static_cast<unsigned char*>(buf);
    // A large read is shared with an idle worker: copying from the system's
    // cache is most of its cost.  The pieces land where one read would put
    // them, and the file position ends up after them as well.
    constexpr std::size_t kShared = 4u << 20;
    if (count >= kShared && WorkPool::shared().workers() > 0) {
        const off_t start = ::lseek(fd_, 0, SEEK_CUR);
        if (start >= 0) {
            constexpr std::size_t kPieces = 4;
            const std::size_t piece = (count + kPieces - 1) / kPieces;
            int errors[kPieces] = {};
            WorkPool::shared().run(
                kPieces,
                [&](std::size_t i) {
                    const std::size_t offset = i * piece;
                    const std::size_t n = std::min(piece, count - offset);
                    errors[i] = pread_exact(fd_, p + offset, n, start + static_cast<off_t>(offset));
                },
                [](std::size_t) {});
            for (const int e : errors)  // the first failing piece is what one read would have met
                if (e != 0) throw IoError(path_, e);
            if (::lseek(fd_, start + static_cast<off_t>(count), SEEK_SET) < 0) throw IoError(path_, errno);
            return;
        }
    }
    while (count > 0) {
        const ssize_t got = ::read(fd_, p, count > (1u << 30) ? (1u << 30) : count);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw IoError(path_, errno);
        }
        if (got == 0) throw IoError(path_, IoError::kEndOfFile);
        p += got;
        count -= static_cast<std::size_t>(got);
    }
}

std::uint64_t InputFile::read_sum(std::size_t count) {
    check_fault(IoOp::Read, path_);
    const off_t start = ::lseek(fd_, 0, SEEK_CUR);
    if (start < 0) throw IoError(path_, errno);
    constexpr std::size_t kPiece = kScratchSize;
    const std::size_t pieces = (count + kPiece - 1) / kPiece;
    std::vector<int> errors(pieces, 0);
    std::vector<std::uint64_t> sums(pieces, 0);
    WorkPool::shared().run(
        pieces,
        [&](std::size_t i) {
            unsigned char* scratch = piece_scratch();
            if (scratch == nullptr) {
                errors[i] = ENOMEM;
                return;
            }
            const std::size_t offset = i * kPiece;
            const std::size_t n = std::min(kPiece, count - offset);
            errors[i] = pread_exact(fd_, scratch, n, start + static_cast<off_t>(offset));
            if (errors[i] == 0) sums[i] = byte_sum(scratch, n);
        },
        [](std::size_t) {});
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < pieces; ++i) {
        if (errors[i] != 0) throw IoError(path_, errors[i]);  // what one read would have met first
        sum += sums[i];
    }
    if (::lseek(fd_, start + static_cast<off_t>(count), SEEK_SET) < 0) throw IoError(path_, errno);
    return sum;
}

void InputFile::close() {
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    check_fault(IoOp::Close, path_);
    if (::close(fd) != 0 && errno != EINTR) throw IoError(path_, errno);
}

// --------------------------------------------------------------- OutputFile

OutputFile::OutputFile(const std::string& destination)
    : destination_(destination), folder_(folder_of(destination)) {
    check_fault(IoOp::CreateOutput, destination_);
    struct stat st {};
    if (::stat(destination_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw IoError(destination_, EISDIR);
#ifdef O_TMPFILE
    // An unnamed file: a crash leaves nothing behind at all.
    fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#endif
    if (fd_ < 0) {
        // Fall back to a hidden name next to the destination.
        std::string templ = folder_ + "/." + base_of(destination_) + ".tvtmp-XXXXXX";
        fd_ = ::mkostemp(templ.data(), O_CLOEXEC);
        if (fd_ < 0) throw IoError(destination_, errno);
        temp_name_ = templ;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!committed_ && !temp_name_.empty()) {
        ::unlink(temp_name_.c_str());
        temp_name_.clear();
    }
}

void OutputFile::write_all(const void* buf, std::size_t count) {
    check_fault(IoOp::Write, destination_);
    const auto* p = static_cast<const unsigned char*>(buf);
    while (count > 0) {
        const ssize_t put = ::write(fd_, p, count > (1u << 30) ? (1u << 30) : count);
        if (put < 0) {
            if (errno == EINTR) continue;
            throw IoError(destination_, errno);
        }
        if (put == 0) throw IoError(destination_, ENOSPC);
        p += put;
        count -= static_cast<std::size_t>(put);
    }
}

std::int64_t OutputFile::position() const {
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    if (at < 0) throw IoError(destination_, errno);
    return static_cast<std::int64_t>(at);
}

void OutputFile::begin_write() { check_fault(IoOp::Write, destination_); }

int OutputFile::write_at(const void* buf, std::size_t count, std::int64_t offset) const noexcept {
    return pwrite_all(fd_, static_cast<const unsigned char*>(buf), count, static_cast<off_t>(offset));
}

void OutputFile::seek(std::int64_t offset) {
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) throw IoError(destination_, errno);
}

void OutputFile::commit() {
    struct stat old {};
    const bool replacing = ::lstat(destination_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing) {
        // The replacement keeps the rights and, where allowed, the owner of
        // the file it replaces.
        ::fchmod(fd_, old.st_mode & 07777);
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0) { /* not ours to give away */ }
        // Replacing an existing file: its new contents must be on disk before
        // the old ones are let go.
        check_fault(IoOp::Sync, destination_);
        if (::fdatasync(fd_) != 0) throw IoError(destination_, errno);
    }

    if (temp_name_.empty()) {
        // Give the unnamed file a name, then move it into place.
        const std::string proc = "/proc/self/fd/" + std::to_string(fd_);
        for (int attempt = 0; attempt < 100 && temp_name_.empty(); ++attempt) {
            std::string name = folder_ + "/." + base_of(destination_) + ".tvtmp-" +
                               std::to_string(::getpid()) + "-" + std::to_string(attempt);
            if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                temp_name_ = name;
            else if (errno != EEXIST)
                throw IoError(destination_, errno);
        }
        if (temp_name_.empty()) throw IoError(destination_, EEXIST);
    }

    check_fault(IoOp::Close, destination_);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) throw IoError(destination_, errno);

    check_fault(IoOp::Rename, destination_);
    if (::rename(temp_name_.c_str(), destination_.c_str()) != 0) throw IoError(destination_, errno);
    committed_ = true;
    temp_name_.clear();

    if (replacing) {
        const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
}

}  // namespace tarnvold
