// SPDX-License-Identifier: GPL-3.0-or-later
// Folders held open, on POSIX systems: a descriptor per folder (O_PATH for
// one only written into), every name looked up relative to it.
#include "io/file_io_shared.h"
#include "io/folder.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tarnvold {

struct Folder::State {
    int fd = -1;
    DIR* listing = nullptr;  // owns fd once made
    std::string path;
    mutable long name_max = 0;

    ~State() {
        if (listing != nullptr)
            ::closedir(listing);
        else if (fd >= 0)
            ::close(fd);
    }
};

namespace {

EntryKind kind_of_mode(mode_t mode) {
    if (S_ISDIR(mode)) return EntryKind::Folder;
    if (S_ISREG(mode)) return EntryKind::File;
    if (S_ISLNK(mode)) return EntryKind::Link;
    return EntryKind::Other;
}

int open_flags(Folder::Use use) { return (use == Folder::Use::List ? O_RDONLY : O_PATH) | O_DIRECTORY | O_CLOEXEC; }

}  // namespace

std::size_t spare_descriptors() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return std::size_t{1} << 20;
    std::size_t in_use = 0;
    if (DIR* open = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(open)) in_use += entry->d_name[0] != '.';
        ::closedir(open);
    } else {
        in_use = 32;  // no way to count them: a fair guess
    }
    const auto total = static_cast<std::size_t>(limit.rlim_cur);
    return total > in_use ? total - in_use : 0;
}

Folder::Folder() = default;
Folder::~Folder() = default;
Folder::Folder(Folder&&) noexcept = default;
Folder& Folder::operator=(Folder&&) noexcept = default;
Folder::Folder(std::unique_ptr<State> state) : state_(std::move(state)) {}

Folder Folder::open(const std::string& path, Use use) {
    auto state = std::make_unique<State>();
    state->path = path;
    state->fd = ::open(path.c_str(), open_flags(use));
    if (state->fd < 0) throw IoError(path, errno);
    return Folder(std::move(state));
}

const std::string& Folder::path() const { return state_->path; }

SystemHandle Folder::native_handle() const { return state_ ? state_->fd : kNoHandle; }

FileId Folder::id() const {
    struct stat st {};
    if (::fstat(state_->fd, &st) != 0) throw IoError(state_->path, errno);
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

Folder Folder::child(std::string_view name, Use use, bool follow_link, const std::string& shown) const {
    auto state = std::make_unique<State>();
    state->path = shown;
    const std::string n(name);
    state->fd = ::openat(state_->fd, n.c_str(), open_flags(use) | (follow_link ? 0 : O_NOFOLLOW));
    if (state->fd < 0) {
        // O_NOFOLLOW meets a link with ELOOP, O_PATH with ENOTDIR: one answer.
        throw IoError(shown, errno == ELOOP && !follow_link ? ENOTDIR : errno);
    }
    return Folder(std::move(state));
}

bool Folder::make_child(std::string_view name) const {
    const std::string n(name);
    if (::mkdirat(state_->fd, n.c_str(), 0777) == 0) return true;
    if (errno == EEXIST) return false;
    throw IoError(state_->path + "/" + n, errno);
}

EntryInfo Folder::inspect(std::string_view name, bool follow_link) const {
    const std::string n(name);
    struct stat st {};
    if (::fstatat(state_->fd, n.c_str(), &st, follow_link ? 0 : AT_SYMLINK_NOFOLLOW) != 0) return {};
    return {kind_of_mode(st.st_mode), {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)}};
}

bool Folder::is_within(const Folder& outer) const {
    struct stat target {};
    if (::fstat(outer.state_->fd, &target) != 0) return false;
    int at = ::openat(state_->fd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat here {};
    bool within = false;
    while (at >= 0 && ::fstat(at, &here) == 0) {
        if (here.st_dev == target.st_dev && here.st_ino == target.st_ino) {
            within = true;
            break;
        }
        const int up = ::openat(at, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(at);
        at = up;
        struct stat above {};
        // The root is its own parent.
        if (at >= 0 && ::fstat(at, &above) == 0 && above.st_dev == here.st_dev && above.st_ino == here.st_ino) break;
    }
    if (at >= 0) ::close(at);
    return within;
}

void Folder::flush_file_system() const {
    check_fault(IoOp::Sync, state_->path);
    // A folder held only to write in (O_PATH) cannot be synced through;
    // one that this user cannot read leaves the whole system's sync.
    const int fd = ::openat(state_->fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        ::sync();
        return;
    }
    const int error = ::syncfs(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (error != 0) throw IoError(state_->path, error);
}

std::size_t Folder::name_limit() const {
    if (state_->name_max == 0) {
        const long limit = ::fpathconf(state_->fd, _PC_NAME_MAX);
        state_->name_max = limit > 0 ? limit : NAME_MAX;
    }
    return static_cast<std::size_t>(state_->name_max);
}

bool Folder::next(std::string& name, EntryKind& kind) {
    if (state_->listing == nullptr) {
        state_->listing = ::fdopendir(state_->fd);
        if (state_->listing == nullptr) throw IoError(state_->path, errno);
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(state_->listing);
        if (entry == nullptr) {
            if (errno != 0) throw IoError(state_->path, errno);
            return false;
        }
        const std::string_view n = entry->d_name;
        if (n == "." || n == "..") continue;
        name.assign(n);
        switch (entry->d_type) {
        case DT_DIR: kind = EntryKind::Folder; break;
        case DT_REG: kind = EntryKind::File; break;
        case DT_LNK: kind = EntryKind::Link; break;
        case DT_UNKNOWN: kind = EntryKind::Unknown; break;
        default: kind = EntryKind::Other; break;
        }
        return true;
    }
}

std::size_t Folder::remove_stale_temporaries() const {
    const int fd = ::openat(state_->fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return 0;
    }
    std::size_t removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!is_temporary_name(entry->d_name)) continue;
        // Only a regular file is opened: opening a device can have effects.
        struct stat listed {};
        if (::fstatat(fd, entry->d_name, &listed, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(listed.st_mode)) continue;
        // Stale only when this process can take the writer's lock: a
        // writer holds it for as long as it writes.  A file that cannot be
        // opened or locked stays.
        constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
        int file = ::openat(fd, entry->d_name, O_RDWR | kFlags);
        if (file < 0 && errno == EACCES) file = ::openat(fd, entry->d_name, O_RDONLY | kFlags);
        if (file < 0) continue;
        struct stat held {};
        struct stat named {};
        if (::fstat(file, &held) == 0 && S_ISREG(held.st_mode) && ::flock(file, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(fd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino && ::unlinkat(fd, entry->d_name, 0) == 0)
            ++removed;
        ::close(file);
    }
    ::closedir(dir);
    return removed;
}

}  // namespace tarnvold
