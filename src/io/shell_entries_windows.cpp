// SPDX-License-Identifier: GPL-3.0-or-later
// Windows has no named pipes, sockets or devices among a folder's entries:
// everything there is a folder or a file (or a link, a reparse point).
#include "io/file_io.h"
#include "io/shell_entries.h"
#include "io/windows_text.h"

#include <cerrno>
#include <string_view>
#include <utility>

namespace tarnvold {

namespace {

// The path with a trailing "\*" for listing it: "C:" lists the drive's
// root, not its current folder.
std::wstring listing_pattern(const std::string& path) {
    std::wstring pattern = windows::wide_path(path);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    return pattern + L'*';
}

}  // namespace

std::vector<ShellEntry> shell_entries(const std::string& folder, int& error) {
    std::vector<ShellEntry> entries;
    error = 0;
    WIN32_FIND_DATAW found{};
    const HANDLE h = ::FindFirstFileExW(listing_pattern(folder).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                        nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (code != ERROR_FILE_NOT_FOUND) error = windows::error_code(code);
        return entries;
    }
    do {
        const std::wstring_view wide = found.cFileName;
        if (wide == L"." || wide == L"..") continue;
        ShellEntry entry;
        entry.name = windows::narrow(wide);
        entry.hidden = (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            std::string path = folder;
            if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
            entry.kind = shell_kind(path + entry.name);
        } else {
            entry.kind = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? ShellKind::Folder : ShellKind::File;
        }
        entry.size = (static_cast<std::int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        // 100-nanosecond steps since 1601.
        const std::int64_t ticks = (static_cast<std::int64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                                   found.ftLastWriteTime.dwLowDateTime;
        entry.modified = ticks / 10000000 - 11644473600LL;
        entries.push_back(std::move(entry));
    } while (::FindNextFileW(h, &found));
    const DWORD code = ::GetLastError();
    if (code != ERROR_NO_MORE_FILES) error = windows::error_code(code);
    ::FindClose(h);
    return entries;
}

int rename_entry(const std::string& folder, const std::string& name, const std::string& new_name) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    if (::MoveFileExW(windows::wide_path(base + name).c_str(), windows::wide_path(base + new_name).c_str(), 0))
        return 0;
    return windows::error_code(::GetLastError());
}

ShellKind shell_kind(const std::string& path) {
    const std::wstring wide = windows::wide_path(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ShellKind::Missing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link: what it leads to, if anything.
        const HANDLE h =
            ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return ShellKind::Dangling;
        BY_HANDLE_FILE_INFORMATION info{};
        const bool known = ::GetFileInformationByHandle(h, &info) != 0;
        ::CloseHandle(h);
        if (!known) return ShellKind::Dangling;
        return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? ShellKind::Folder : ShellKind::File;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ShellKind::Folder : ShellKind::File;
}

int folder_listing_error(const std::string& path) {
    if (path.empty()) return ENOENT;
    if (shell_kind(path) != ShellKind::Folder) return shell_kind(path) == ShellKind::File ? ENOTDIR : ENOENT;
    WIN32_FIND_DATAW entry{};
    const HANDLE h =
        ::FindFirstFileExW(listing_pattern(path).c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        // An empty drive's root has not even "." to give.
        return error == ERROR_FILE_NOT_FOUND ? 0 : windows::error_code(error);
    }
    ::FindClose(h);
    return 0;
}

bool name_taken(const std::string& path) {
    return ::GetFileAttributesW(windows::wide_path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void make_folder(const std::string& path) {
    if (!::CreateDirectoryW(windows::wide_path(path).c_str(), nullptr))
        throw IoError(path, windows::error_code(::GetLastError()));
}

}  // namespace tarnvold
