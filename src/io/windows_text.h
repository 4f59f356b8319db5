// SPDX-License-Identifier: GPL-3.0-or-later
// Names on Windows: the program keeps UTF-8 inside and speaks UTF-16 to the
// system, converting at the call.  Only the Windows files of src/io include
// this.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tarnvold::windows {

inline std::wstring widen(std::string_view text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

inline std::string narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

// The full path of a name, as the system completes it against the current
// folder; the name itself when that fails.
inline std::wstring full_path(const std::wstring& name) {
    const DWORD n = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (n == 0) return name;
    std::wstring full(n, L'\0');
    const DWORD got = ::GetFullPathNameW(name.c_str(), n, full.data(), nullptr);
    if (got == 0 || got >= n) return name;
    full.resize(got);
    return full;
}

// A UTF-8 path for the wide API: either separator, and a name too long for
// the plain form given as a "\\?\" path (which the system takes literally,
// so it is made full first).
inline std::wstring wide_path(std::string_view path) {
    std::wstring wide = widen(path);
    if (wide.size() < MAX_PATH - 12 || wide.starts_with(L"\\\\?\\")) return wide;
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    wide = full_path(wide);
    if (wide.starts_with(L"\\\\?\\")) return wide;
    if (wide.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + wide.substr(2);
    return L"\\\\?\\" + wide;
}

// The same file as the kernel names it ("\??\C:\..."), for renaming an
// open file.
inline std::wstring kernel_path(std::string_view path) {
    std::wstring full = full_path(widen(path));
    for (wchar_t& c : full)
        if (c == L'/') c = L'\\';
    if (full.starts_with(L"\\\\?\\")) return L"\\??\\" + full.substr(4);
    if (full.starts_with(L"\\\\")) return L"\\??\\UNC\\" + full.substr(2);
    return L"\\??\\" + full;
}

// The path by which the system now reaches an open file or folder, in the
// "\\?\" form; empty when it cannot tell.
inline std::wstring handle_path(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), VOLUME_NAME_DOS);
    if (n >= path.size()) {
        path.resize(n);
        n = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), VOLUME_NAME_DOS);
    }
    if (n == 0 || n >= path.size()) return {};
    path.resize(n);
    return path;
}

// A full "\\?\" path as the kernel names it ("\??\..."), for renaming an
// open file.
inline std::wstring kernel_form(const std::wstring& path) {
    if (path.starts_with(L"\\\\?\\")) return L"\\??\\" + path.substr(4);
    return L"\\??\\" + path;
}

// The C library's error number for a system error where one says the same
// (a missing file, no permission, a full disk), so that messages read as on
// other systems; the system's own error, offset into a range of its own,
// otherwise.  IoError tells both in words.
int error_code(DWORD error);

// A path the system gives back ("\\?\C:\...", "\\?\UNC\server\...") in its
// plain form, as UTF-8.
inline std::string plain_path(std::wstring path) {
    if (path.starts_with(L"\\\\?\\UNC\\"))
        path = L"\\\\" + path.substr(8);
    else if (path.starts_with(L"\\\\?\\") && path.size() >= 6 && path[5] == L':')
        path = path.substr(4);
    return narrow(path);
}

}  // namespace tarnvold::windows
