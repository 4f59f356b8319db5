// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/file_io.h"
#include "io/system_error.h"

#include <algorithm>
#include <cctype>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "io/folder.h"
#include "io/std_streams.h"
#include "io/work_pool.h"

namespace tarnvold {
namespace {

int fd_of(SystemHandle handle) { return static_cast<int>(handle); }

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

FileId id_of(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

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

// A temporary name: ".tvtmp-", the process number in ten digits, "-" and a
// counter in eight hexadecimal digits; 26 bytes whatever the destination's
// name, so that it fits wherever that name fits.
std::string temporary_name() {
    static std::atomic<unsigned> counter{0};
    char name[40];
    std::snprintf(name, sizeof name, ".tvtmp-%010ld-%08x", static_cast<long>(::getpid()),
                  counter.fetch_add(1, std::memory_order_relaxed));
    return name;
}

// ------------------------------------------- names removed on interruption
//
// A fixed table that a signal handler can walk without taking a lock or
// allocating: a slot is claimed (Free -> Filling), given its folder and
// name, and only then marked Live; the handler unlinks the Live ones.

enum SlotState : int { kFree = 0, kFilling = 1, kLive = 2 };
constexpr int kSlots = 64;
constexpr std::size_t kSlotName = 64;

struct TempSlot {
    std::atomic<int> state{kFree};
    int dir = -1;
    char name[kSlotName];
};
static_assert(std::atomic<int>::is_always_lock_free);

TempSlot g_slots[kSlots];

// The slot now holding `name` in the folder `dir`, or -1 when there is no
// room (the file is then only removed by the normal paths).
int remember_temporary(int dir, const std::string& name) noexcept {
    if (name.size() >= kSlotName) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (g_slots[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) {
            // Folder and name are stored while the slot is Filling, which
            // the handler passes over; the release store of Live comes last,
            // so a handler that sees Live reads them whole, never half a name.
            g_slots[i].dir = dir;
            std::memcpy(g_slots[i].name, name.c_str(), name.size() + 1);
            g_slots[i].state.store(kLive, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void forget_slot(int slot) noexcept {
    if (slot < 0) return;
    g_slots[slot].state.store(kFilling, std::memory_order_release);
    g_slots[slot].state.store(kFree, std::memory_order_release);
}

extern "C" void on_interrupt(int sig) {
    const int saved = errno;
    remove_temporaries_now();
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    // Blocked while this handler runs: delivered, with its default action,
    // as soon as it returns.
    ::raise(sig);
    errno = saved;
}

}  // namespace

void remove_temporaries_now() noexcept {
    for (auto& slot : g_slots)
        if (slot.state.load(std::memory_order_acquire) == kLive) ::unlinkat(slot.dir, slot.name, 0);
}

void install_interrupt_cleanup() {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) != 0) continue;
        // A signal the caller chose to ignore (nohup) stays ignored.
        if ((old.sa_flags & SA_SIGINFO) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = on_interrupt;
        sigemptyset(&action.sa_mask);
        sigaddset(&action.sa_mask, SIGINT);
        sigaddset(&action.sa_mask, SIGTERM);
        sigaddset(&action.sa_mask, SIGHUP);
        action.sa_flags = SA_RESTART;
        ::sigaction(sig, &action, nullptr);
    }
}

void set_io_fault_hook(IoFaultHook hook, void* context) {
    g_hook = hook;
    g_hook_context = context;
}

std::string system_reason(int code) { return std::strerror(code); }

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

Destination inspect_destination(const std::string& path) {
    Destination d;
    d.path = path;
    d.target = path;
    // Follow the links one at a time, as the system would, so that a link
    // whose target is missing still tells which file to create.
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(d.target.c_str(), &st) != 0) return d;  // nothing there (or not reachable)
        if (S_ISLNK(st.st_mode)) {
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

Destination free_destination(const Folder& folder, std::string_view name, const std::string& shown) {
    Destination d;
    d.path = d.target = shown;
    d.folder = &folder;
    d.name = name;
    return d;
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
        throw IoError(path_, S_ISDIR(st.st_mode) ? EISDIR : IoError::kNotRegularFile);
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
    const off_t at = ::lseek(fd_of(fd_), 0, SEEK_CUR);
    if (at < 0) throw IoError(path_, errno);
    return static_cast<std::int64_t>(at);
}

void InputFile::begin_read() { check_fault(IoOp::Read, path_); }

int InputFile::read_at(void* buf, std::size_t count, std::int64_t offset) const noexcept {
    return pread_exact(fd_of(fd_), static_cast<unsigned char*>(buf), count, static_cast<off_t>(offset));
}

void InputFile::read_exact(void* buf, std::size_t count) {
    check_fault(IoOp::Read, path_);
    auto* p = static_cast<unsigned char*>(buf);
    // A large read is shared with an idle worker: copying from the system's
    // cache is most of its cost.  The pieces land where one read would put
    // them, and the file position ends up after them as well.
    constexpr std::size_t kShared = 4u << 20;
    if (count >= kShared && WorkPool::shared().workers() > 0) {
        const off_t start = ::lseek(fd_of(fd_), 0, SEEK_CUR);
        if (start >= 0) {
            constexpr std::size_t kPieces = 4;
            const std::size_t piece = (count + kPieces - 1) / kPieces;
            const int error = WorkPool::shared().run_pieces(kPieces, [&](std::size_t i) {
                const std::size_t offset = i * piece;
                const std::size_t n = std::min(piece, count - offset);
                return pread_exact(fd_of(fd_), p + offset, n, start + static_cast<off_t>(offset));
            });
            if (error != 0) throw IoError(path_, error);
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
        if (got == 0) throw IoError(path_, IoError::kEndOfFile);
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

// --------------------------------------------------------------- OutputFile

OutputFile::OutputFile(const std::string& destination) : OutputFile(inspect_destination(destination)) {}

OutputFile::OutputFile(const Destination& destination)
    : destination_(destination.path), target_existed_(destination.exists) {
    check_fault(IoOp::CreateOutput, destination_);
    if (destination.standard_output) {
        // Nothing to make: the bytes go out as they are written.
        stream_ = true;
        identity_ = destination.id;
        return;
    }
    if (destination.exists && !destination.regular) {
        bool folder = false;
        if (destination.folder == nullptr) {
            struct stat st {};
            folder = ::stat(destination.target.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        throw IoError(destination.shown(), folder ? EISDIR : IoError::kNotRegularFile);
    }
    if (destination.exists && destination.write_error != 0) throw IoError(destination.shown(), destination.write_error);
    if (destination.folder != nullptr) {
        folder_ = destination.folder;
        name_ = destination.name;
    } else {
        // A destination given by path: the folder its target is in, links
        // followed, and the target's name there.
        own_folder_ = std::make_unique<Folder>(Folder::open(folder_of(destination.target), Folder::Use::Write));
        folder_ = own_folder_.get();
        name_ = base_of(destination.target);
    }
    const int dir = fd_of(folder_->native_handle());
#ifdef O_TMPFILE
    // An unnamed file: a crash leaves nothing behind at all.
    if (g_hook == nullptr || g_hook(IoOp::TmpFile, destination_, g_hook_context) == 0)
        fd_ = ::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#endif
    if (fd_ < 0) {
        // Where the file system has no unnamed files: a hidden name beside
        // the destination, known to the interrupt handlers before it exists.
        int error = EEXIST;
        for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
            name_temporary();
            fd_ = ::openat(dir, temp_name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            error = fd_ < 0 ? errno : 0;
            if (fd_ < 0) forget_temporary();
        }
        // The folder is what refused: naming the file would mislead.
        if (fd_ < 0) throw IoError(folder_->path(), error);
    }
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::name_temporary() {
    temp_name_ = temporary_name();
    temp_slot_ = remember_temporary(fd_of(folder_->native_handle()), temp_name_);
}

void OutputFile::forget_temporary() noexcept {
    forget_slot(temp_slot_);
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

void OutputFile::write_all(const void* buf, std::size_t count) {
    check_fault(IoOp::Write, destination_);
    if (stream_) {
        if (const int error = write_standard_output(buf, count); error != 0) throw IoError(destination_, error);
        streamed_ += static_cast<std::int64_t>(count);
        return;
    }
    const auto* p = static_cast<const unsigned char*>(buf);
    while (count > 0) {
        const ssize_t put = ::write(fd_of(fd_), p, count > (1u << 30) ? (1u << 30) : count);
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
    if (stream_) return streamed_;
    const off_t at = ::lseek(fd_of(fd_), 0, SEEK_CUR);
    if (at < 0) throw IoError(destination_, errno);
    return static_cast<std::int64_t>(at);
}

void OutputFile::begin_write() { check_fault(IoOp::Write, destination_); }

int OutputFile::write_at(const void* buf, std::size_t count, std::int64_t offset) const noexcept {
    if (stream_) return ESPIPE;
    return pwrite_all(fd_of(fd_), static_cast<const unsigned char*>(buf), count, static_cast<off_t>(offset));
}

void OutputFile::seek(std::int64_t offset) {
    if (stream_) {
        if (offset != streamed_) throw IoError(destination_, ESPIPE);
        return;
    }
    if (::lseek(fd_of(fd_), static_cast<off_t>(offset), SEEK_SET) < 0) throw IoError(destination_, errno);
}

namespace {

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

}  // namespace

void OutputFile::commit() {
    if (stream_) {
        committed_ = true;
        return;
    }
    const int fd = fd_of(fd_);
    const int dir = fd_of(folder_->native_handle());
    struct stat self {};
    if (::fstat(fd, &self) == 0) identity_ = id_of(self);

    if (!target_existed_ && temp_name_.empty()) {
        // The name was free: the finished unnamed file gets it directly, and
        // a file that appeared there meanwhile was never asked about: it
        // stays, and this one is not written.
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
        return;
    }

    if (target_existed_) {
        // The replacement keeps the rights and, where allowed, the owner of
        // the file it replaces; what is there now must still be a file.
        struct stat old {};
        if (::fstatat(dir, name_.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!S_ISREG(old.st_mode)) throw IoError(destination_, IoError::kNotRegularFile);
            ::fchmod(fd, old.st_mode & 07777);
            if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
                // not ours to give away
            }
        }
        // Replacing an existing file: its new contents must be on disk before
        // the old ones are let go.  A file under a name that was free gets no
        // such wait: a crash can cost it, but nothing that existed before,
        // and a folder run of new files would otherwise wait for the disk at
        // every one of them.
        check_fault(IoOp::Sync, destination_);
        if (::fdatasync(fd) != 0) throw IoError(destination_, errno);
    }

    if (temp_name_.empty()) {
        // Give the unnamed file a name, then move it into place.
        for (int attempt = 0; attempt < 100 && temp_name_.empty(); ++attempt) {
            name_temporary();
            const int error = link_unnamed(fd, dir, temp_name_);
            if (error == 0) break;
            forget_temporary();
            if (error != EEXIST) throw IoError(destination_, error);
        }
        if (temp_name_.empty()) throw IoError(destination_, EEXIST);
    }

    check_fault(IoOp::Close, destination_);
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

    if (target_existed_) {
        const int sync = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (sync >= 0) {
            ::fsync(sync);
            ::close(sync);
        }
    }
}

}  // namespace tarnvold
