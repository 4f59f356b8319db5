// SPDX-License-Identifier: GPL-3.0-or-later
// Plain file access on POSIX systems: what a path names, input files, and
// the write loop every output shares.  Output files are in
// output_file_posix.cpp, the names removed on interruption in
// temporary_names_posix.cpp.
#include "io/file_io_posix.h"

#include "io/file_io.h"
#include "io/folder.h"
#include "io/system_error.h"
#include "io/work_pool.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnvold {

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

bool is_folder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string system_reason(int code) { return std::strerror(code); }

// Every name without a separator is one a file can have here.
IoKind name_not_allowed(std::string_view) { return IoKind::None; }
std::size_t name_length(std::string_view name) { return name.size(); }
const char* name_length_unit() { return "bytes"; }

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::int64_t file_size_or_minus1(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

SourceInfo inspect_source(const std::string& path) {
    SourceInfo info;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return info;
    info.exists = true;
    info.regular = S_ISREG(st.st_mode);
    info.size = static_cast<std::int64_t>(st.st_size);
    info.id = id_of(st);
    return info;
}

namespace {

// True when following the link `link` (examined as `st`) would be refused
// by the system's own rule for shared folders: a link in a folder that
// everyone may write to and that has the sticky bit is followed only for
// its owner, or when the folder's owner made it.
bool foreign_link(const std::string& link, const struct stat& st) {
    struct stat folder {};
    if (::stat(folder_of(link).c_str(), &folder) != 0) return true;
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return shared && st.st_uid != ::geteuid() && st.st_uid != folder.st_uid;
}

}  // namespace

Destination inspect_destination(const std::string& path) {
    Destination d;
    d.path = path;
    d.target = path;
    // Follow the links one at a time, as the system would, so that where
    // they lead can be shown; a link is written through only to a file
    // that exists, and never one that another user planted in a shared
    // folder.
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(d.target.c_str(), &st) != 0) {
            // Nothing there (or not reachable); through a link, the link
            // leads nowhere.
            d.dangling = hops > 0;
            return d;
        }
        if (S_ISLNK(st.st_mode)) {
            if (foreign_link(d.target, st)) {
                d.foreign_link = true;
                d.target = path;
                return d;
            }
            if (hops >= 40) {
                d.exists = true;
                d.regular = true;
                d.write_error = ELOOP;
                return d;
            }
            std::string link(PATH_MAX, '\0');
            const ssize_t n = ::readlink(d.target.c_str(), link.data(), link.size());
            if (n < 0 || static_cast<std::size_t>(n) >= link.size()) {
                d.exists = true;
                d.regular = true;
                d.write_error = n < 0 ? errno : ENAMETOOLONG;
                return d;
            }
            link.resize(static_cast<std::size_t>(n));
            d.target = link.starts_with('/') ? link : folder_of(d.target) + "/" + link;
            continue;
        }
        d.exists = true;
        d.regular = S_ISREG(st.st_mode);
        d.id = id_of(st);
        if (d.regular && ::faccessat(AT_FDCWD, d.target.c_str(), W_OK, AT_EACCESS) != 0) d.write_error = errno;
        return d;
    }
}

Destination inspect_destination(const Folder& folder, std::string_view name, const std::string& shown) {
    Destination d = free_destination(folder, name, shown);
    const int dir = static_cast<int>(folder.native_handle());
    struct stat st {};
    if (::fstatat(dir, d.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return d;
    d.exists = true;
    d.link = S_ISLNK(st.st_mode);
    d.regular = S_ISREG(st.st_mode);
    d.id = id_of(st);
    if (d.regular && ::faccessat(dir, d.name.c_str(), W_OK, AT_EACCESS) != 0) d.write_error = errno;
    return d;
}

// ---------------------------------------------------------------- InputFile

InputFile::InputFile(const std::string& path) : path_(path) {
    check_fault(IoOp::OpenRead, path_);
    // Opened without waiting, so that a named pipe with no writer cannot
    // hang the program; only regular files are read, for which the flag
    // changes nothing.
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) throw IoError(path_, errno);
    opened();
}

InputFile::InputFile(const Folder& folder, std::string_view name, bool follow_link, const std::string& shown)
    : path_(shown) {
    check_fault(IoOp::OpenRead, path_);
    const std::string n(name);
    fd_ = ::openat(static_cast<int>(folder.native_handle()), n.c_str(),
                   O_RDONLY | O_CLOEXEC | O_NONBLOCK | (follow_link ? 0 : O_NOFOLLOW));
    if (fd_ < 0) throw IoError(path_, errno);
    opened();
}

void InputFile::opened() {
    const int fd = static_cast<int>(fd_);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        fd_ = kNoHandle;
        throw IoError(path_, error);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        fd_ = kNoHandle;
        throw IoError(path_, S_ISDIR(st.st_mode) ? IoStatus::system(EISDIR) : IoKind::NotRegularFile);
    }
    size_ = static_cast<std::int64_t>(st.st_size);
    id_ = id_of(st);
#ifdef POSIX_FADV_SEQUENTIAL
    if (size_ > static_cast<std::int64_t>(kScratchSize)) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_of(fd_));
}

bool InputFile::has_byte_at(std::int64_t offset) const {
    unsigned char byte = 0;
    ssize_t got;
    do {
        got = ::pread(fd_of(fd_), &byte, 1, static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    if (got < 0) throw IoError(path_, errno);
    return got > 0;
}

std::size_t InputFile::read_upto(void* buf, std::size_t count, std::size_t enough) {
    check_fault(IoOp::Read, path_);
    auto* p = static_cast<unsigned char*>(buf);
    std::size_t done = 0;
    while (done < count) {
        const std::size_t want = count - done > (1u << 30) ? (1u << 30) : count - done;
        const ssize_t got = ::read(fd_of(fd_), p + done, want);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw IoError(path_, errno);
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
        if (done >= enough && static_cast<std::size_t>(got) < want) break;
    }
    return done;
}

void InputFile::seek(std::int64_t position) {
    check_fault(IoOp::Seek, path_);
    if (position < 0) throw IoError(path_, EINVAL);
    if (::lseek(fd_of(fd_), static_cast<off_t>(position), SEEK_SET) < 0) throw IoError(path_, errno);
}

namespace {

// Reads exactly count bytes at `position`; 0 or the error number.
IoStatus pread_exact(int fd, unsigned char* p, std::size_t count, off_t position) {
    while (count > 0) {
        const ssize_t got = ::pread(fd, p, count > (1u << 30) ? (1u << 30) : count, position);
        if (got < 0) {
            if (errno == EINTR) continue;
            return IoStatus::system(errno);
        }
        if (got == 0) return IoKind::EndOfFile;
        p += got;
        count -= static_cast<std::size_t>(got);
        position += static_cast<off_t>(got);
    }
    return {};
}

}  // namespace

int write_fully(int fd, const void* buf, std::size_t count, off_t position) noexcept {
    const auto* p = static_cast<const unsigned char*>(buf);
    while (count > 0) {
        const std::size_t want = count > (1u << 30) ? (1u << 30) : count;
        const ssize_t put = position < 0 ? ::write(fd, p, want) : ::pwrite(fd, p, want, position);
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (put == 0) return ENOSPC;
        p += put;
        count -= static_cast<std::size_t>(put);
        if (position >= 0) position += static_cast<off_t>(put);
    }
    return 0;
}

unsigned char* piece_scratch() noexcept {
    // Kept for the thread's life: a piece read into it is still in the
    // processor's cache when it is coded and written.
    thread_local std::unique_ptr<unsigned char[]> scratch(new (std::nothrow) unsigned char[kScratchSize]);
    return scratch.get();
}

std::int64_t InputFile::position() const {
    const off_t at = ::lseek(fd_of(fd_), 0, SEEK_CUR);
    if (at < 0) throw IoError(path_, errno);
    return static_cast<std::int64_t>(at);
}

void InputFile::begin_read() { check_fault(IoOp::Read, path_); }

IoStatus InputFile::read_at(void* buf, std::size_t count, std::int64_t offset) const noexcept {
    return pread_exact(fd_of(fd_), static_cast<unsigned char*>(buf), count, static_cast<off_t>(offset));
}

void InputFile::read_exact(void* buf, std::size_t count) {
    check_fault(IoOp::Read, path_);
    auto* p = static_cast<unsigned char*>(buf);
    // A large read is shared with idle workers; the file position ends up
    // after it as one read would leave it.
    if (const off_t start = ::lseek(fd_of(fd_), 0, SEEK_CUR); start >= 0) {
        IoStatus failed;
        if (read_shared(*this, p, count, start, failed)) {
            if (failed) throw IoError(path_, failed);
            if (::lseek(fd_of(fd_), start + static_cast<off_t>(count), SEEK_SET) < 0) throw IoError(path_, errno);
            return;
        }
    }
    while (count > 0) {
        const ssize_t got = ::read(fd_of(fd_), p, count > (1u << 30) ? (1u << 30) : count);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw IoError(path_, errno);
        }
        if (got == 0) throw IoError(path_, IoKind::EndOfFile);
        p += got;
        count -= static_cast<std::size_t>(got);
    }
}

void InputFile::close() {
    if (fd_ < 0) return;
    const int fd = fd_of(fd_);
    fd_ = kNoHandle;
    check_fault(IoOp::Close, path_);
    if (::close(fd) != 0 && errno != EINTR) throw IoError(path_, errno);
}

}  // namespace tarnvold
