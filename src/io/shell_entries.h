// SPDX-License-Identifier: GPL-3.0-or-later
// What the shell panes of the window ask of a path: its kind for the icon
// and the type column, whether a folder can be entered, whether a name is
// taken, and making a folder.  This build's side is shell_entries_posix.cpp
// (shell_entries_windows.cpp on Windows).
#pragma once

#include <string>

namespace tarnvold {

// What a path leads to, links followed; a link that leads nowhere is
// Dangling.
enum class ShellKind { Missing, Dangling, Folder, File, Fifo, Socket, CharDevice, BlockDevice };
ShellKind shell_kind(const std::string& path);

// 0 when the path is a folder whose entries can be listed; otherwise the
// error number (IoError's codes) saying why not.
int folder_listing_error(const std::string& path);

// True when anything, even a dangling link, is under the path.
bool name_taken(const std::string& path);

// Makes the folder; throws IoError naming the path.
void make_folder(const std::string& path);

}  // namespace tarnvold
