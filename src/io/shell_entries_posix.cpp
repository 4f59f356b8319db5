// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/file_io.h"
#include "io/shell_entries.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnvold {

ShellKind shell_kind(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return ::lstat(path.c_str(), &st) == 0 ? ShellKind::Dangling : ShellKind::Missing;
    if (S_ISDIR(st.st_mode)) return ShellKind::Folder;
    if (S_ISFIFO(st.st_mode)) return ShellKind::Fifo;
    if (S_ISSOCK(st.st_mode)) return ShellKind::Socket;
    if (S_ISCHR(st.st_mode)) return ShellKind::CharDevice;
    if (S_ISBLK(st.st_mode)) return ShellKind::BlockDevice;
    return ShellKind::File;
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
