// SPDX-License-Identifier: GPL-3.0-or-later
// Paths as the program stores them and as this system opens them.
#pragma once

#include <string>
#include <string_view>

namespace tarnvold {

// Stored and literal paths use the backslash as their separator
// ("lang\english.tvl"); every '\\' becomes '/' for opening.  The stored form
// itself is never rewritten.
std::string to_native_path(std::string_view stored);

// The process's current directory, with no trailing '/' except for the root.
// Throws IoError when the directory cannot be determined (it was removed).
std::string current_directory();

// `folder` and `name` joined with one '/', the name's backslashes mapped.
// An empty folder leaves the name relative to the current directory.
std::string join_native(std::string_view folder, std::string_view name);

// The path with links and "." / ".." resolved, as far as it exists, and no
// trailing separator except for a root; empty when it cannot be determined.
std::string resolved_path(const std::string& path);

// The path of an existing file or folder with every link resolved; empty
// when it cannot be determined.
std::string real_path(const std::string& path);

// True when the resolved path `path` is the resolved folder `folder` or lies
// below it (in the letter case the file system ignores).
bool path_at_or_below(const std::string& path, const std::string& folder);

// The full path of a folder as it is joined with its entries' names: made
// absolute, without empty or "." components and without a trailing
// separator except for a root.  ".." is left for the file system to
// resolve, so a link in the path keeps its meaning.
std::string full_folder_path(const std::string& folder);

// An entry of a folder given by full_folder_path: joined with "/".
std::string entry_path(const std::string& folder, const std::string& name);

// The last name of a path, trailing separators ignored ("a/b/" gives "b").
std::string last_name(std::string_view path);

// The folder that holds `path`, a full path, without a trailing separator
// but for a root.  A root has no folder above it and gives itself back
// ("/"; on Windows "C:\", "\\server\share"), and so does a path that
// names no folder at all: a walk up ends wherever it starts.
std::string parent_folder(std::string_view path);

}  // namespace tarnvold
