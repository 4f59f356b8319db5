// SPDX-License-Identifier: GPL-3.0-or-later
// Paths on Windows: the stored form, with backslashes, is already the
// system's own; the current folder comes as UTF-8.
#include "io/paths.h"

#include <cerrno>

#include "io/file_io.h"
#include "io/windows_text.h"

namespace tarnvold {

std::string to_native_path(std::string_view stored) { return std::string(stored); }

std::string current_directory() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
        if (n == 0) throw IoError(".", ENOENT);
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        buf.resize(n);
    }
    std::string dir = windows::plain_path(buf);
    // No trailing separator, except for a drive's root ("C:\") or a share's.
    while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    return dir;
}

std::string join_native(std::string_view folder, std::string_view name) {
    std::string path(folder);
    std::size_t skip = 0;
    while (skip < name.size() && (name[skip] == '\\' || name[skip] == '/')) ++skip;
    if (path.empty()) return std::string(name);
    if (path.back() != '\\' && path.back() != '/') path += '\\';
    path.append(name.substr(skip));
    return path;
}

std::string last_name(std::string_view path) {
    // Either separator; "C:name" is the name on drive C.
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.remove_suffix(1);
    const auto slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) return std::string(path.substr(slash + 1));
    if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(2));
    return std::string(path);
}

}  // namespace tarnvold
