// SPDX-License-Identifier: GPL-3.0-or-later
// What the shell panes of the window ask of a path: its kind for the icon
// and the type column, whether a folder can be entered, whether a name is
// taken, and making a folder.  This build's side is shell_entries_posix.cpp
// (shell_entries_windows.cpp on Windows).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnvold {

// What a path leads to, links followed; a link that leads nowhere is
// Dangling.
enum class ShellKind { Missing, Dangling, Folder, File, Fifo, Socket, CharDevice, BlockDevice };
ShellKind shell_kind(const std::string& path);

// One entry of a folder as the file list shows it: its name as the system
// gives it (bytes, not necessarily UTF-8, on POSIX systems), its kind with
// links followed, its size and its last change in seconds since 1970.
struct ShellEntry {
    std::string name;
    ShellKind kind = ShellKind::Missing;
    std::int64_t size = 0;
    std::int64_t modified = 0;
    bool hidden = false;  // a name starting with "." (POSIX), the hidden attribute (Windows)
};

// The entries of a folder ("." and ".." left out), in the order the system
// gives them.  `error` is 0, or the error number (IoError's codes) that
// ended the listing; the entries read until then are returned.
std::vector<ShellEntry> shell_entries(const std::string& folder, int& error);

// Renames an entry within its folder: the entry `name` of `folder` gets
// the name `new_name`.  0, or the error number.
int rename_entry(const std::string& folder, const std::string& name, const std::string& new_name);

// 0 when the path is a folder whose entries can be listed; otherwise the
// error number (IoError's codes) saying why not.
int folder_listing_error(const std::string& path);

// True when anything, even a dangling link, is under the path.
bool name_taken(const std::string& path);

// Makes the folder; throws IoError naming the path.
void make_folder(const std::string& path);

}  // namespace tarnvold
