// SPDX-License-Identifier: GPL-3.0-or-later
// Folders held open, on Windows.  The plain interface has no way to open a
// name relative to a folder, so names are reached through the held folder's
// path as the system now gives it; what keeps that path meaning the same
// folder is the handle itself, opened without sharing deletion: while it is
// held the folder cannot be renamed, removed or swapped for a link.
// Reparse points (symbolic links, junctions) count as links and are followed
// only when asked.
#include "io/file_io_shared.h"
#include "io/file_io_windows.h"
#include "io/folder.h"
#include "io/windows_text.h"

#include <cerrno>
#include <utility>

namespace tarnvold {

struct Folder::State {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::string path;    // for messages
    std::wstring where;  // the "\\?\" path names are reached through
    HANDLE find = INVALID_HANDLE_VALUE;
    bool listing_started = false;

    ~State() {
        if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
        if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    }
};

namespace {

using windows::error_code;
using windows::widen;

bool is_separator(wchar_t c) { return c == L'/' || c == L'\\'; }

std::wstring joined(const std::wstring& folder, std::string_view name) {
    std::wstring path = folder;
    if (!path.empty() && !is_separator(path.back())) path += L'\\';
    return path + widen(name);
}

// Opens a folder, holding it against renaming.  Listing rights are asked
// for where they are given, since only an open with data access takes part
// in the sharing that keeps others from moving the folder.
HANDLE open_folder(const std::wstring& path, bool follow_link) {
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow_link ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE h = ::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                             kShare, nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED)
        h = ::CreateFileW(path.c_str(), FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                          kShare, nullptr, OPEN_EXISTING, flags, nullptr);
    return h;
}

EntryKind kind_of(DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return EntryKind::Link;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::Folder;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryKind::Other;
    return EntryKind::File;
}

FileId id_of(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// The path names in an opened folder are reached through, once it is known
// to be a folder, and a link only where links were followed.  The caller
// keeps the handle.
std::wstring checked_folder(HANDLE h, const std::string& shown, std::wstring fallback, bool follow_link) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) throw IoError(shown, error_code(::GetLastError()));
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (!follow_link && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0))
        throw IoError(shown, ENOTDIR);
    std::wstring where = windows::handle_path(h);
    return where.empty() ? fallback : where;
}

// True while the process numbered `pid` runs (or cannot be told apart from
// one that does).
bool process_runs(long pid) {
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool runs = !::GetExitCodeProcess(process, &code) || code == STILL_ACTIVE;
    ::CloseHandle(process);
    return runs;
}

}  // namespace

// Handles are limited by memory only.
std::size_t spare_descriptors() { return std::size_t{1} << 20; }

Folder::Folder() = default;
Folder::~Folder() = default;
Folder::Folder(Folder&&) noexcept = default;
Folder& Folder::operator=(Folder&&) noexcept = default;
Folder::Folder(std::unique_ptr<State> state) : state_(std::move(state)) {}

Folder Folder::open(const std::string& path, Use) {
    std::wstring wide = windows::wide_path(path);
    if (wide.size() > 3 && is_separator(wide.back()) && wide[wide.size() - 2] != L':') wide.pop_back();
    const HANDLE h = open_folder(wide, true);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        throw IoError(path, error == ERROR_DIRECTORY ? ENOTDIR : error_code(error));
    }
    auto state = std::make_unique<State>();
    state->handle = h;
    state->path = path;
    std::wstring full = windows::full_path(wide);
    if (!full.starts_with(L"\\\\")) full = L"\\\\?\\" + full;
    state->where = checked_folder(h, path, std::move(full), true);
    return Folder(std::move(state));
}

const std::string& Folder::path() const { return state_->path; }

SystemHandle Folder::native_handle() const {
    return state_ ? reinterpret_cast<SystemHandle>(state_->handle) : kNoHandle;
}

FileId Folder::id() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(state_->handle, &info)) throw IoError(state_->path, error_code(::GetLastError()));
    return id_of(info);
}

Folder Folder::child(std::string_view name, Use, bool follow_link, const std::string& shown) const {
    if (!plain_name(name)) throw IoError(shown, ENOENT);
    const std::wstring path = joined(state_->where, name);
    const HANDLE h = open_folder(path, follow_link);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        throw IoError(shown, error == ERROR_DIRECTORY ? ENOTDIR : error_code(error));
    }
    auto state = std::make_unique<State>();
    state->handle = h;
    state->path = shown;
    state->where = checked_folder(h, shown, path, follow_link);
    return Folder(std::move(state));
}

bool Folder::make_child(std::string_view name) const {
    const std::string shown = state_->path + "\\" + std::string(name);
    if (!plain_name(name)) throw IoError(shown, ENOENT);
    if (const IoKind refused = name_not_allowed(name); refused != IoKind::None) throw IoError(shown, refused);
    if (::CreateDirectoryW(joined(state_->where, name).c_str(), nullptr)) return true;
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return false;
    throw IoError(shown, error_code(error));
}

EntryInfo Folder::inspect(std::string_view name, bool follow_link) const {
    if (!plain_name(name)) return {};
    const std::wstring path = joined(state_->where, name);
    const HANDLE h = ::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (follow_link ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        // Not even its attributes can be read through a handle: what the
        // folder's entry says, without an identity.  A link that leads
        // nowhere is missing when followed.
        if (follow_link) return {};
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return {};
        return {kind_of(attributes), {}};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(h, &info) != 0;
    EntryInfo entry;
    if (known) {
        entry.kind = kind_of(info.dwFileAttributes);
        if (entry.kind == EntryKind::File && ::GetFileType(h) != FILE_TYPE_DISK) entry.kind = EntryKind::Other;
        if (follow_link && entry.kind == EntryKind::Link)
            entry.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::Folder : EntryKind::File;
        entry.id = id_of(info);
    } else {
        entry.kind = EntryKind::Unknown;
    }
    ::CloseHandle(h);
    return entry;
}

bool Folder::is_within(const Folder& outer) const {
    const FileId target = outer.id();
    // Up the path the system now reaches this folder by (links and
    // junctions resolved), comparing each folder's identity, up to the
    // drive's or the share's root.
    std::wstring path = windows::handle_path(state_->handle);
    if (path.empty()) path = state_->where;
    for (;;) {
        const HANDLE h = open_folder(path, true);
        if (h == INVALID_HANDLE_VALUE) return false;
        BY_HANDLE_FILE_INFORMATION info{};
        const bool known = ::GetFileInformationByHandle(h, &info) != 0;
        ::CloseHandle(h);
        if (!known) return false;
        if (id_of(info) == target) return true;
        while (!path.empty() && is_separator(path.back())) path.pop_back();
        const auto cut = path.find_last_of(L"\\/");
        // Past "\\?\" there is nothing to go up to.
        if (cut == std::wstring::npos || cut < 4) return false;
        path.resize(cut + 1);
    }
}

void Folder::flush_file_system() const { check_fault(IoOp::Sync, state_->path); }

std::size_t Folder::name_limit() const { return 255; }

// The folder's path was asked of the system once, when it was opened: the
// handle keeps it true, so every name inside is reached through it without
// asking again.
std::wstring path_in(const Folder& folder, std::string_view name) { return joined(folder.state_->where, name); }

bool Folder::next(std::string& name, EntryKind& kind) {
    WIN32_FIND_DATAW data{};
    for (;;) {
        if (!state_->listing_started) {
            state_->listing_started = true;
            state_->find = ::FindFirstFileExW(joined(state_->where, "*").c_str(), FindExInfoBasic, &data,
                                              FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
            if (state_->find == INVALID_HANDLE_VALUE) {
                const DWORD error = ::GetLastError();
                if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return false;
                throw IoError(state_->path, error_code(error));
            }
        } else {
            if (state_->find == INVALID_HANDLE_VALUE) return false;
            if (!::FindNextFileW(state_->find, &data)) {
                const DWORD error = ::GetLastError();
                ::FindClose(state_->find);
                state_->find = INVALID_HANDLE_VALUE;
                if (error == ERROR_NO_MORE_FILES) return false;
                throw IoError(state_->path, error_code(error));
            }
        }
        const std::wstring_view n = data.cFileName;
        if (n == L"." || n == L"..") continue;
        name = windows::narrow(n);
        kind = kind_of(data.dwFileAttributes);
        return true;
    }
}

std::size_t Folder::remove_stale_temporaries() const {
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileExW(joined(state_->where, ".tvtmp-*").c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return 0;
    std::size_t removed = 0;
    const long self = static_cast<long>(::GetCurrentProcessId());
    do {
        const std::string name = windows::narrow(data.cFileName);
        const long owner = temporary_owner(name);
        if (owner <= 0 || owner == self || process_runs(owner)) continue;
        if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) continue;
        if (::DeleteFileW(joined(state_->where, name).c_str())) ++removed;
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return removed;
}

}  // namespace tarnvold
