// SPDX-License-Identifier: GPL-3.0-or-later
// Output files on Windows.  An output is written to a temporary file in the
// destination's folder, held open (io/folder.h), that is marked for deletion
// from its first moment, so that it disappears with the handle however the
// process ends.  commit() lifts the mark and renames the open file onto the
// destination: replacing only when the destination existed and was asked
// about, never over a name that was free when the file was begun.
#include "io/file_io.h"
#include "io/file_io_windows.h"
#include "io/folder.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace tarnvold {
namespace {

using windows::error_code;
using windows::wide_path;

bool mark_for_deletion(HANDLE h, bool marked) {
    FILE_DISPOSITION_INFO info{};
    info.DeleteFile = marked ? TRUE : FALSE;
    return ::SetFileInformationByHandle(h, FileDispositionInfo, &info, sizeof info) != 0;
}

// Renames an open file (opened with DELETE access) to a full "\\?\" path; 0
// or the system error.
DWORD rename_open_file(HANDLE h, const std::wstring& to, bool replace) {
    const std::wstring name = windows::kernel_form(to);
    const std::size_t bytes = offsetof(FILE_RENAME_INFO, FileName) + (name.size() + 1) * sizeof(wchar_t);
    std::vector<std::uint64_t> storage((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(storage.data());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    if (::SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(bytes))) return 0;
    return ::GetLastError();
}

}  // namespace

// Temporary files need no list on this system: each is marked for deletion
// while it is open, and the system removes it when its handle goes, however
// the process ends.
void install_interrupt_cleanup() {}
void remove_temporaries_now() noexcept {}

// --------------------------------------------------------------- OutputFile
//
// temp_slot_ tells whether the temporary file is marked for deletion (1) or
// has to be deleted by name (0, on a file system that refused the mark).

void OutputFile::create() {
    if (!plain_name(name_)) throw IoError(destination_, ENOENT);
    if (const IoKind refused = name_not_allowed(name_); refused != IoKind::None) throw IoError(destination_, refused);
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        name_temporary();
        const HANDLE h =
            ::CreateFileW(path_in(*folder_, temp_name_).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            error = last_error();
            forget_temporary();
            continue;
        }
        error = 0;
        fd_ = fd_of(h);
        temp_slot_ = mark_for_deletion(h, true) ? 1 : 0;
    }
    // The folder is what refused: naming the file would mislead.
    if (fd_ == kNoHandle) throw IoError(folder_->path(), error);
}

void OutputFile::name_temporary() {
    temp_name_ = temporary_name(static_cast<unsigned long>(::GetCurrentProcessId()));
    temp_slot_ = 0;
}

void OutputFile::forget_temporary() noexcept {
    temp_slot_ = -1;
    temp_name_.clear();
}

void OutputFile::discard() noexcept {
    const bool by_name = temp_slot_ == 0;
    if (fd_ != kNoHandle) {
        ::CloseHandle(handle_of(fd_));  // a marked file goes with its handle
        fd_ = kNoHandle;
    }
    if (!committed_ && !temp_name_.empty()) {
        if (by_name) {
            try {
                ::DeleteFileW(path_in(*folder_, temp_name_).c_str());
            } catch (...) {
                // out of memory: the file stays for a later run to remove
            }
        }
        forget_temporary();
    }
}

void OutputFile::write_file(const void* buf, std::size_t count) {
    const HANDLE h = handle_of(fd_);
    std::int64_t at = 0;
    if (!get_pointer(h, at)) throw IoError(destination_, last_error());
    const int error = pwrite_all(h, static_cast<const unsigned char*>(buf), count, at);
    if (error != 0) throw IoError(destination_, error);
    if (!set_pointer(h, at + static_cast<std::int64_t>(count))) throw IoError(destination_, last_error());
}

std::int64_t OutputFile::file_position() const {
    std::int64_t at = 0;
    if (!get_pointer(handle_of(fd_), at)) throw IoError(destination_, last_error());
    return at;
}

int OutputFile::write_file_at(const void* buf, std::size_t count, std::int64_t offset) const noexcept {
    return pwrite_all(handle_of(fd_), static_cast<const unsigned char*>(buf), count, offset);
}

void OutputFile::seek_file(std::int64_t offset) {
    if (offset < 0 || !set_pointer(handle_of(fd_), offset))
        throw IoError(destination_, offset < 0 ? EINVAL : last_error());
}

void OutputFile::commit_file() {
    const HANDLE h = handle_of(fd_);
    const Identity self = identity_of(h);
    if (self.known) identity_ = self.id;
    const std::wstring target = path_in(*folder_, name_);
    // A name that was free when the file was begun is not looked at again:
    // the rename below fails if anything has appeared there since.
    bool replacing = false;
    if (target_existed_) {
        const DWORD attributes = ::GetFileAttributesW(target.c_str());
        replacing = attributes != INVALID_FILE_ATTRIBUTES;
        if (replacing && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
            throw IoError(destination_, IoKind::NotRegularFile);
    }
    // The new contents are on disk before the file takes its name: before
    // an old file is let go, and before a new one is reported done (this
    // system has no flush of a whole file system for a folder run to wait
    // for instead).
    check_fault(IoOp::Sync, destination_);
    if (!::FlushFileBuffers(h)) throw IoError(destination_, last_error());
    check_fault(IoOp::Close, destination_);
    check_fault(IoOp::Rename, destination_);
    const bool marked = temp_slot_ == 1;
    if (marked && !mark_for_deletion(h, false)) throw IoError(destination_, last_error());
    const DWORD error = rename_open_file(h, target, replacing);
    if (error != 0) {
        if (marked) mark_for_deletion(h, true);
        throw IoError(destination_, error_code(error));
    }
    committed_ = true;
    fd_ = kNoHandle;
    forget_temporary();
    if (!::CloseHandle(h)) throw IoError(destination_, last_error());
}

}  // namespace tarnvold
