// SPDX-License-Identifier: GPL-3.0-or-later
// Output files on POSIX systems: written unnamed where the file system
// allows it (O_TMPFILE), under a hidden temporary name beside the
// destination elsewhere, and given the destination's name only by commit().
#include "io/file_io.h"
#include "io/file_io_posix.h"
#include "io/folder.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnvold {
namespace {

// Gives an unnamed file the name `name` in the folder `dir`: 0 or the error
// number.  Straight from the descriptor where the system lets this process
// do that, otherwise through its entry in /proc.
int link_unnamed(int fd, int dir, const std::string& name) {
    static std::atomic<bool> direct{true};
    if (direct.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", dir, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
        if (errno != EPERM && errno != ENOENT && errno != EINVAL && errno != EACCES) return errno;
        direct.store(false, std::memory_order_relaxed);
    }
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, proc.c_str(), dir, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// Moves `from` to the free name `to` in the folder `dir` without replacing
// anything that appeared there: 0 or the error number (EEXIST when a file
// took the name).  Where the file system cannot rename that way, a second
// link is made and the first removed; only where it cannot link either is
// the name looked at right before an ordinary rename.
int move_to_free_name(int dir, const char* from, const char* to) {
    if (::renameat2(dir, from, dir, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    if (::linkat(dir, from, dir, to, 0) == 0) {
        ::unlinkat(dir, from, 0);
        return 0;
    }
    if (errno == EEXIST) return EEXIST;
    struct stat st {};
    if (::fstatat(dir, to, &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
    return ::renameat(dir, from, dir, to) == 0 ? 0 : errno;
}

// Takes the writer's lock on a temporary file, which a cleaner must be able
// to take before it may remove the file (Folder::remove_stale_temporaries).
// False when a cleaner holds it, or took the name away before the lock was
// had: the file is then not ours to write, and another name is tried.  A
// file system without locks leaves the file unlocked, and its cleaners
// unable to remove it.
bool lock_temporary(int fd, int dir, const std::string& name) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno != EWOULDBLOCK && errno != EINTR;
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::fstatat(dir, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Closes a descriptor when it goes.
struct Closer {
    int fd = -1;
    ~Closer() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

void OutputFile::create() {
    const int dir = fd_of(folder_->native_handle());
#ifdef O_TMPFILE
    // An unnamed file: a crash leaves nothing behind at all.
    if (io_fault(IoOp::TmpFile, destination_) == 0) fd_ = ::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#endif
    if (fd_ < 0) {
        // Where the file system has no unnamed files: a hidden name beside
        // the destination, known to the interrupt handlers before it exists.
        int error = EEXIST;
        for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
            name_temporary();
            fd_ = ::openat(dir, temp_name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            error = fd_ < 0 ? errno : 0;
            if (fd_ >= 0 && !lock_temporary(fd_of(fd_), dir, temp_name_)) {
                // A cleaner has it: it removes the file, this one takes another name.
                ::close(fd_of(fd_));
                fd_ = kNoHandle;
                error = EEXIST;
            }
            if (fd_ < 0) forget_temporary();
        }
        // The folder is what refused: naming the file would mislead.
        if (fd_ < 0) throw IoError(folder_->path(), error);
    }
}

void OutputFile::name_temporary() {
    temp_name_ = temporary_name(static_cast<unsigned long>(::getpid()));
    temp_slot_ = remember_temporary(fd_of(folder_->native_handle()), temp_name_);
}

void OutputFile::forget_temporary() noexcept {
    forget_temporary_slot(temp_slot_);
    temp_slot_ = -1;
    temp_name_.clear();
}

void OutputFile::discard() noexcept {
    if (fd_ >= 0) {
        ::close(fd_of(fd_));
        fd_ = kNoHandle;
    }
    if (!committed_ && !temp_name_.empty()) {
        ::unlinkat(fd_of(folder_->native_handle()), temp_name_.c_str(), 0);
        forget_temporary();
    }
}

void OutputFile::write_file(const void* buf, std::size_t count) {
    if (const int error = write_fully(fd_of(fd_), buf, count); error != 0) throw IoError(destination_, error);
}

std::int64_t OutputFile::file_position() const {
    const off_t at = ::lseek(fd_of(fd_), 0, SEEK_CUR);
    if (at < 0) throw IoError(destination_, errno);
    return static_cast<std::int64_t>(at);
}

int OutputFile::write_file_at(const void* buf, std::size_t count, std::int64_t offset) const noexcept {
    // A negative offset would write where the file's position is.
    if (offset < 0) return EINVAL;
    return write_fully(fd_of(fd_), buf, count, static_cast<off_t>(offset));
}

void OutputFile::seek_file(std::int64_t offset) {
    if (::lseek(fd_of(fd_), static_cast<off_t>(offset), SEEK_SET) < 0) throw IoError(destination_, errno);
}

void OutputFile::commit_file() {
    struct stat self {};
    if (::fstat(fd_of(fd_), &self) == 0) identity_ = id_of(self);
    if (!target_existed_ && temp_name_.empty()) {
        commit_under_free_name();
        return;
    }
    if (target_existed_)
        keep_rights_and_sync();
    else
        sync_new_file();
    if (temp_name_.empty()) name_unnamed_file();
    move_into_place();
}

void OutputFile::commit_under_free_name() {
    // The name was free: the finished unnamed file gets it directly, and a
    // file that appeared there meanwhile was never asked about: it stays,
    // and this one is not written.
    const int fd = fd_of(fd_);
    const int dir = fd_of(folder_->native_handle());
    sync_new_file();
    check_fault(IoOp::Rename, destination_);
    const int linked = link_unnamed(fd, dir, name_);
    if (linked != 0) throw IoError(destination_, linked);
    committed_ = true;
    fd_ = kNoHandle;
    if (::close(fd) != 0 && errno != EINTR) {
        const int error = errno;
        ::unlinkat(dir, name_.c_str(), 0);
        throw IoError(destination_, error);
    }
    if (own_folder_) sync_folder(dir);
}

void OutputFile::sync_new_file() {
    // A file given by path is on disk before it is reported done; in a
    // held folder (a run of many files) the holder flushes its file
    // system once at the end instead (Folder::flush_file_system).
    if (!own_folder_) return;
    check_fault(IoOp::Sync, destination_);
    if (::fdatasync(fd_of(fd_)) != 0) throw IoError(destination_, errno);
}

void OutputFile::keep_rights_and_sync() {
    const int fd = fd_of(fd_);
    // The replacement keeps the rights and, where allowed, the owner of the
    // file it replaces; what is there now must still be a file.
    struct stat old {};
    if (::fstatat(fd_of(folder_->native_handle()), name_.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
        if (!S_ISREG(old.st_mode)) throw IoError(destination_, IoKind::NotRegularFile);
        ::fchmod(fd, old.st_mode & 07777);
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // not ours to give away
        }
    }
    // Replacing an existing file: its new contents must be on disk before
    // the old ones are let go.  A file under a name that was free gets no
    // such wait: a crash can cost it, but nothing that existed before, and a
    // folder run of new files would otherwise wait for the disk at every one
    // of them.
    check_fault(IoOp::Sync, destination_);
    if (::fdatasync(fd) != 0) throw IoError(destination_, errno);
}

void OutputFile::name_unnamed_file() {
    // Give the unnamed file a name, so that it can be moved into place; it
    // is locked first, so that no cleaner ever sees it named and unheld.
    if (::flock(fd_of(fd_), LOCK_EX | LOCK_NB) != 0) {
        // no locks on this file system: nobody can take it for stale either
    }
    for (int attempt = 0; attempt < 100 && temp_name_.empty(); ++attempt) {
        name_temporary();
        const int error = link_unnamed(fd_of(fd_), fd_of(folder_->native_handle()), temp_name_);
        if (error == 0) break;
        forget_temporary();
        if (error != EEXIST) throw IoError(destination_, error);
    }
    if (temp_name_.empty()) throw IoError(destination_, EEXIST);
}

void OutputFile::move_into_place() {
    const int fd = fd_of(fd_);
    const int dir = fd_of(folder_->native_handle());
    check_fault(IoOp::Close, destination_);
    // The file is closed before it is moved, since a network file system
    // tells its write errors there; a second descriptor keeps the lock
    // until the temporary name is gone.
    const Closer hold{::fcntl(fd, F_DUPFD_CLOEXEC, 0)};
    fd_ = kNoHandle;
    if (::close(fd) != 0 && errno != EINTR) throw IoError(destination_, errno);

    check_fault(IoOp::Rename, destination_);
    // An existing file is replaced in one step; onto a name that was free
    // nothing that appeared there meanwhile is replaced.
    if (target_existed_) {
        if (::renameat(dir, temp_name_.c_str(), dir, name_.c_str()) != 0) throw IoError(destination_, errno);
    } else if (const int error = move_to_free_name(dir, temp_name_.c_str(), name_.c_str()); error != 0) {
        throw IoError(destination_, error);
    }
    committed_ = true;
    forget_temporary();

    // The folder's new entry is made lasting too, where a file was
    // replaced or one was given by path.
    if (target_existed_ || own_folder_) sync_folder(dir);
}

void OutputFile::sync_folder(int dir) noexcept {
    const int sync = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (sync >= 0) {
        ::fsync(sync);
        ::close(sync);
    }
}

}  // namespace tarnvold
