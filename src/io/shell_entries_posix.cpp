// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/file_io.h"
#include "io/shell_entries.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tarnvold {

namespace {

ShellKind kind_of(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return ShellKind::Folder;
    if (S_ISFIFO(st.st_mode)) return ShellKind::Fifo;
    if (S_ISSOCK(st.st_mode)) return ShellKind::Socket;
    if (S_ISCHR(st.st_mode)) return ShellKind::CharDevice;
    if (S_ISBLK(st.st_mode)) return ShellKind::BlockDevice;
    return ShellKind::File;
}

}  // namespace

std::vector<ShellEntry> shell_entries(const std::string& folder, int& error) {
    std::vector<ShellEntry> entries;
    error = 0;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        error = errno;
        return entries;
    }
    const int fd = ::dirfd(dir);
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (e == nullptr) {
            error = errno;
            break;
        }
        const std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        ShellEntry entry;
        entry.name = name;
        entry.hidden = name.front() == '.';
        struct stat st {};
        if (::fstatat(fd, e->d_name, &st, 0) == 0) {
            entry.kind = kind_of(st);
            entry.size = st.st_size;
            entry.modified = st.st_mtime;
        } else if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            entry.kind = ShellKind::Dangling;
            entry.modified = st.st_mtime;
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

int rename_entry(const std::string& folder, const std::string& name, const std::string& new_name) {
    const std::string from = folder + "/" + name;
    const std::string to = folder + "/" + new_name;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

ShellKind shell_kind(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return ::lstat(path.c_str(), &st) == 0 ? ShellKind::Dangling : ShellKind::Missing;
    return kind_of(st);
}

int folder_listing_error(const std::string& path) {
    if (path.empty()) return ENOENT;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    return ::access(path.c_str(), R_OK | X_OK) == 0 ? 0 : errno;
}

bool name_taken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void make_folder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0) throw IoError(path, errno);
}

}  // namespace tarnvold
