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

// The last name of a path, trailing separators ignored ("a/b/" gives "b").
std::string last_name(std::string_view path);

}  // namespace tarnvold
