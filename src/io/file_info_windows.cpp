// SPDX-License-Identifier: GPL-3.0-or-later
// What a name or a handle is on Windows: the parts of a path, the names the
// system allows, a handle's identity, and what a source or a destination
// holds before it is opened for reading or replacing.  Reading is in
// file_io_windows.cpp, output files in output_file_windows.cpp.
#include "io/file_io.h"
#include "io/file_io_windows.h"
#include "io/folder.h"

#include <cerrno>
#include <string>

namespace tarnvold {
namespace {

using windows::wide_path;

// Opens a name only to look at it: folders too, links followed unless
// `follow_link` is false.
HANDLE open_for_info(const std::wstring& path, bool follow_link = true) {
    return ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | (follow_link ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

Identity identity_of(const std::string& path) {
    const HANDLE h = open_for_info(wide_path(path));
    if (h == INVALID_HANDLE_VALUE) return {};
    const Identity id = tarnvold::identity_of(h);  // the handle's overload
    ::CloseHandle(h);
    return id;
}

}  // namespace

std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    if (slash == std::string::npos) {
        if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);  // "C:name"
        return ".";
    }
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);  // "\", "C:\"
    return path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(2) : path;
    return path.substr(slash + 1);
}

bool is_folder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(wide_path(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool plain_name(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

Identity identity_of(HANDLE h) {
    Identity id;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) {
        // A device (NUL, CON, COM1) or a pipe has none of a file's
        // information: it is known as something that is not a regular file.
        const DWORD error = ::GetLastError();
        const DWORD type = ::GetFileType(h);
        id.known = type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
        ::SetLastError(error);
        return id;
    }
    id.known = true;
    id.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    id.read_only = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    id.link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    id.regular = !id.folder && !id.link && (info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0 &&
                 ::GetFileType(h) == FILE_TYPE_DISK;
    id.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    id.id = {info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return id;
}

IoKind name_not_allowed(std::string_view name) {
    if (name.empty()) return IoKind::None;
    if (name.back() == '.' || name.back() == ' ') return IoKind::NameNotAllowed;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
            return IoKind::NameNotAllowed;
    // The device names stand for the device whatever follows the first dot
    // and with blanks before it.
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    std::string upper(stem);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" || upper == "CONOUT$")
        return IoKind::DeviceName;
    if (upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
        upper[3] <= '9')
        return IoKind::DeviceName;
    return IoKind::None;
}

std::size_t name_length(std::string_view name) { return windows::widen(name).size(); }
const char* name_length_unit() { return "UTF-16 units"; }

bool file_exists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(wide_path(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        const Identity id = identity_of(path);  // where the link leads
        return id.known && !id.folder;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool same_file(const std::string& a, const std::string& b) {
    const Identity ia = identity_of(a);
    const Identity ib = identity_of(b);
    return ia.known && ib.known && ia.id == ib.id;
}

std::int64_t file_size_or_minus1(const std::string& path) {
    const Identity id = identity_of(path);
    return id.known && !id.folder ? id.size : -1;
}

SourceInfo inspect_source(const std::string& path) {
    SourceInfo info;
    const Identity id = identity_of(path);
    if (!id.known) {
        // A device that cannot even be opened for its attributes (CON) is
        // there all the same, and no regular file.
        info.exists = name_not_allowed(base_of(path)) == IoKind::DeviceName;
        return info;
    }
    info.exists = true;
    info.regular = id.regular;
    info.size = id.size;
    info.id = id.id;
    return info;
}

namespace {

// What opening an existing regular file for replacing would meet: 0, or
// the error.
int write_error_of(const std::wstring& path, const Identity& id, bool follow_link) {
    if (!id.regular) return 0;
    // What opening it for writing meets, also where the process could open
    // it anyway (an administrator under some emulations).
    if (id.read_only) return EACCES;
    // Replacing needs the right to write it and to let it go: a file
    // another program holds without sharing is refused now, with the
    // system's reason.
    const HANDLE w = ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | (follow_link ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (w == INVALID_HANDLE_VALUE) return last_error();
    ::CloseHandle(w);
    return 0;
}

}  // namespace

Destination inspect_destination(const std::string& path) {
    Destination d;
    d.path = path;
    d.target = path;
    const std::wstring wide = wide_path(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return d;  // nothing there (or not reachable)
    d.exists = true;
    const HANDLE h = open_for_info(wide);
    if (h == INVALID_HANDLE_VALUE) {
        // A link that leads nowhere, or a file that cannot even be looked
        // at: it is not written through.
        d.regular = (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        d.write_error = last_error();
        return d;
    }
    const Identity id = identity_of(h);
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // A link: the file it leads to is what gets written.
        std::wstring final(MAX_PATH, L'\0');
        DWORD n = ::GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()), 0);
        if (n >= final.size()) {
            final.resize(n);
            n = ::GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()), 0);
        }
        if (n > 0 && n < final.size()) {
            final.resize(n);
            d.target = windows::plain_path(final);
        }
    }
    ::CloseHandle(h);
    d.regular = id.known && id.regular;
    d.id = id.id;
    d.write_error = write_error_of(wide_path(d.target), id, true);
    return d;
}

Destination inspect_destination(const Folder& folder, std::string_view name, const std::string& shown) {
    Destination d = free_destination(folder, name, shown);
    if (!plain_name(name)) {
        d.exists = true;  // not a name in this folder: never written
        return d;
    }
    const std::wstring path = path_in(folder, name);
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return d;
    d.exists = true;
    d.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (d.link) return d;
    const HANDLE h = open_for_info(path, false);
    if (h == INVALID_HANDLE_VALUE) {
        d.regular = (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        d.write_error = last_error();
        return d;
    }
    const Identity id = identity_of(h);
    ::CloseHandle(h);
    d.link = id.link;
    d.regular = id.known && id.regular;
    d.id = id.id;
    d.write_error = write_error_of(path, id, false);
    return d;
}

}  // namespace tarnvold
