// SPDX-License-Identifier: GPL-3.0-or-later
// Paths on Windows: the stored form, with backslashes, is already the
// system's own; the current folder comes as UTF-8.
#include "io/file_io.h"
#include "io/paths.h"
#include "io/windows_text.h"

#include <algorithm>
#include <cerrno>

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

namespace {

bool separator(char c) { return c == '\\' || c == '/'; }

// No trailing separator, except for a root ("C:\", "\\server\share\").
std::string without_trailing_separator(std::string path) {
    while (path.size() > 3 && separator(path.back()) && !(path.size() >= 2 && path[path.size() - 2] == ':'))
        path.pop_back();
    return path;
}

// A path compared as the file system compares names: letters in either
// case and either separator are the same.
std::wstring comparable(const std::string& path) {
    std::wstring wide = windows::widen(path);
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    if (!wide.empty()) ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return wide;
}

}  // namespace

std::string real_path(const std::string& path) {
    const HANDLE h = ::CreateFileW(windows::wide_path(path).c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    const std::wstring final_path = windows::handle_path(h);
    ::CloseHandle(h);
    return final_path.empty() ? std::string() : without_trailing_separator(windows::plain_path(final_path));
}

std::string resolved_path(const std::string& path) {
    if (path.empty()) return {};
    const std::string full = full_folder_path(path);
    // The part that exists with its links resolved, and the rest as it is.
    std::string existing = full;
    std::string rest;
    for (;;) {
        if (const std::string real = real_path(existing); !real.empty()) return without_trailing_separator(real + rest);
        const auto cut = existing.find_last_of("\\/");
        if (cut == std::string::npos || cut < 3) return full;
        rest = existing.substr(cut) + rest;
        existing.resize(cut);
    }
}

bool path_at_or_below(const std::string& path, const std::string& folder) {
    if (path.empty() || folder.empty()) return false;
    const std::wstring p = comparable(path);
    const std::wstring f = comparable(folder);
    if (p == f) return true;
    if (f.back() == L'\\') return p.starts_with(f);
    return p.size() > f.size() && p.starts_with(f) && p[f.size()] == L'\\';
}

std::string full_folder_path(const std::string& folder) {
    // A path from a drive's or a share's root stays as it was given, each
    // separator as it was; any other is completed by the system against the
    // current folder of its drive.
    const bool absolute = (folder.size() >= 3 && folder[1] == ':' && separator(folder[2])) ||
                          (folder.size() >= 2 && separator(folder[0]) && separator(folder[1]));
    const std::string path =
        absolute ? folder : windows::plain_path(windows::full_path(windows::widen(folder.empty() ? "." : folder)));
    // Without empty and "." names (after the root's own separators).
    const std::size_t root = path.size() >= 2 && separator(path[0]) && separator(path[1]) ? 2 : 0;
    std::string out = path.substr(0, root);
    std::size_t i = root;
    while (i < path.size()) {
        std::size_t end = i;
        while (end < path.size() && !separator(path[end])) ++end;
        const std::string_view part(path.data() + i, end - i);
        if (!part.empty() && part != ".") {
            out += part;
            if (end < path.size()) out += path[end];
        }
        i = end + 1;
    }
    return without_trailing_separator(out);
}

std::string entry_path(const std::string& folder, const std::string& name) {
    return !folder.empty() && separator(folder.back()) ? folder + name : folder + "/" + name;
}

std::string last_name(std::string_view path) {
    // Either separator; "C:name" is the name on drive C.
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.remove_suffix(1);
    const auto slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) return std::string(path.substr(slash + 1));
    if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(2));
    return std::string(path);
}

std::string parent_folder(std::string_view path) {
    const std::string p = without_trailing_separator(std::string(path));
    // How long the root is: "C:\" (or "C:" alone), "\\server\share", "\".
    std::size_t root = 0;
    if (p.size() >= 2 && p[1] == ':') {
        root = p.size() >= 3 && separator(p[2]) ? 3 : 2;
    } else if (p.size() >= 2 && separator(p[0]) && separator(p[1])) {
        const auto server_end = p.find_first_of("\\/", 2);
        const auto share_end = server_end == std::string::npos ? server_end : p.find_first_of("\\/", server_end + 1);
        root = share_end == std::string::npos ? p.size() : share_end;
    } else if (!p.empty() && separator(p[0])) {
        root = 1;
    }
    const auto cut = p.find_last_of("\\/");
    if (p.size() <= root || cut == std::string::npos) return p;
    return p.substr(0, std::max(cut, root));
}

}  // namespace tarnvold
