// SPDX-License-Identifier: GPL-3.0-or-later
// Plain file access on Windows, behind the same interface as on POSIX
// systems: error numbers, positioned transfers and reading.  What a name or
// a handle is, is in file_info_windows.cpp; output files are in
// output_file_windows.cpp.
//
// - Names are UTF-8 inside and UTF-16 for the system; long ones go as
//   "\\?\" paths.  Files are always binary: the system never translates.
// - A file's identity is its volume's serial number and its 64-bit index.
// - Handles are opened for overlapped transfers, so that the system keeps no
//   file position of its own that a transfer would move: every read and
//   write names its offset.  The position the interface speaks of is kept
//   in the handle's file pointer, which only seek() and the sequential
//   transfers set.
//
// Error codes are the C library's error numbers where one says the same
// (a missing file, no permission, a full disk), so that messages read as on
// other systems, and the system's own error otherwise, told in its words.
#include "io/file_io_windows.h"

#include "io/file_io.h"
#include "io/folder.h"
#include "io/system_error.h"
#include "io/work_pool.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

namespace tarnvold {
namespace {

using windows::error_code;
using windows::wide_path;

// System errors without a C library equivalent, offset into a range of
// their own.
constexpr int kSystemError = 0x20000000;

}  // namespace

int windows::error_code(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA: return EPIPE;
    case ERROR_NEGATIVE_SEEK: return EINVAL;
    default: return kSystemError + static_cast<int>(error);
    }
}

int last_error() { return error_code(::GetLastError()); }

namespace {

std::string system_text(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD n =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n == 0 || text == nullptr) return "System error " + std::to_string(error);
    std::string message = windows::narrow(std::wstring_view(text, n));
    ::LocalFree(text);
    while (!message.empty() && std::strchr(" \t\r\n", message.back()) != nullptr) message.pop_back();
    return message;
}

std::string reason_of_system(int code) {
    if (code >= kSystemError) return system_text(static_cast<DWORD>(code - kSystemError));
    return std::strerror(code);
}

// -------------------------------------------------------- positioned transfers

// One transfer of at most 1 GiB at `offset`; the bytes moved, or the error
// (0 bytes and no error at the end of the file).  Transfers of regular files
// mostly complete at once; one that does not is waited for on the file's
// handle, which other threads' transfers also signal, so its own completion
// is what ends the wait.  No event is made per transfer: under emulations
// every one costs a round trip to a server.
struct Moved {
    DWORD bytes = 0;
    int error = 0;
};

Moved transfer(HANDLE h, bool write, void* p, std::size_t count, std::int64_t offset) noexcept {
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
    ov.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    const DWORD n = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    const BOOL started = write ? ::WriteFile(h, p, n, nullptr, &ov) : ::ReadFile(h, p, n, nullptr, &ov);
    if (!started && ::GetLastError() != ERROR_IO_PENDING) {
        const DWORD error = ::GetLastError();
        if (!write && error == ERROR_HANDLE_EOF) return {};
        return {0, error_code(error)};
    }
    while (!HasOverlappedIoCompleted(&ov)) ::WaitForSingleObject(h, 10);
    Moved moved;
    if (!::GetOverlappedResult(h, &ov, &moved.bytes, FALSE)) {
        const DWORD error = ::GetLastError();
        if (!write && error == ERROR_HANDLE_EOF) return {};
        moved.error = error_code(error);
    }
    return moved;
}

// Reads exactly count bytes at `position`; 0 or the error number.
IoStatus pread_exact(HANDLE h, unsigned char* p, std::size_t count, std::int64_t position) noexcept {
    while (count > 0) {
        const Moved got = transfer(h, false, p, count, position);
        if (got.error != 0) return IoStatus::system(got.error);
        if (got.bytes == 0) return IoKind::EndOfFile;
        p += got.bytes;
        count -= got.bytes;
        position += got.bytes;
    }
    return {};
}

}  // namespace

int pwrite_all(HANDLE h, const unsigned char* p, std::size_t count, std::int64_t position) noexcept {
    while (count > 0) {
        const Moved put = transfer(h, true, const_cast<unsigned char*>(p), count, position);
        if (put.error != 0) return put.error;
        if (put.bytes == 0) return ENOSPC;
        p += put.bytes;
        count -= put.bytes;
        position += put.bytes;
    }
    return 0;
}

// The handle's file pointer: where sequential transfers go on.
bool get_pointer(HANDLE h, std::int64_t& at) {
    LARGE_INTEGER zero{}, now{};
    if (!::SetFilePointerEx(h, zero, &now, FILE_CURRENT)) return false;
    at = now.QuadPart;
    return true;
}

bool set_pointer(HANDLE h, std::int64_t at) {
    LARGE_INTEGER to{};
    to.QuadPart = at;
    return ::SetFilePointerEx(h, to, nullptr, FILE_BEGIN) != 0;
}

std::string system_reason(int code) { return reason_of_system(code); }

// ---------------------------------------------------------------- InputFile

namespace {

HANDLE open_input(const std::wstring& path, bool follow_link) {
    return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED | FILE_FLAG_SEQUENTIAL_SCAN |
                             (follow_link ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                         nullptr);
}

// The error of an input that could not be opened: a folder says so.
IoStatus open_error(const std::wstring& path) {
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return IoStatus::system(EISDIR);
    // A device refuses the way it is opened for files: it is no file.
    if (name_not_allowed(base_of(windows::narrow(path))) == IoKind::DeviceName) return IoKind::NotRegularFile;
    return IoStatus::system(error_code(error));
}

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
    check_fault(IoOp::OpenRead, path_);
    const std::wstring wide = wide_path(path_);
    const HANDLE h = open_input(wide, true);
    if (h == INVALID_HANDLE_VALUE) throw IoError(path_, open_error(wide));
    fd_ = fd_of(h);
    opened();
}

InputFile::InputFile(const Folder& folder, std::string_view name, bool follow_link, const std::string& shown)
    : path_(shown) {
    check_fault(IoOp::OpenRead, path_);
    if (!plain_name(name)) throw IoError(path_, ENOENT);
    const std::wstring wide = path_in(folder, name);
    const HANDLE h = open_input(wide, follow_link);
    if (h == INVALID_HANDLE_VALUE) throw IoError(path_, open_error(wide));
    fd_ = fd_of(h);
    opened();
}

// Keeps the handle only for a regular file; a link not followed is refused
// as a link is elsewhere.
void InputFile::opened() {
    const HANDLE h = handle_of(fd_);
    const Identity id = identity_of(h);
    if (!id.known || !id.regular) {
        const IoStatus error = !id.known   ? IoStatus::system(last_error())
                               : id.link   ? IoStatus::system(ELOOP)
                               : id.folder ? IoStatus::system(EISDIR)
                                           : IoKind::NotRegularFile;
        ::CloseHandle(h);
        fd_ = kNoHandle;
        throw IoError(path_, error);
    }
    size_ = id.size;
    id_ = id.id;
}

InputFile::~InputFile() {
    if (fd_ != kNoHandle) ::CloseHandle(handle_of(fd_));
}

bool InputFile::has_byte_at(std::int64_t offset) const {
    unsigned char byte = 0;
    const Moved got = transfer(handle_of(fd_), false, &byte, 1, offset);
    if (got.error != 0) throw IoError(path_, got.error);
    return got.bytes > 0;
}

std::size_t InputFile::read_upto(void* buf, std::size_t count, std::size_t enough) {
    check_fault(IoOp::Read, path_);
    const HANDLE h = handle_of(fd_);
    std::int64_t at = 0;
    if (!get_pointer(h, at)) throw IoError(path_, last_error());
    auto* p = static_cast<unsigned char*>(buf);
    std::size_t done = 0;
    while (done < count) {
        const std::size_t want = std::min<std::size_t>(count - done, 1u << 30);
        const Moved got = transfer(h, false, p + done, want, at + static_cast<std::int64_t>(done));
        if (got.error != 0) throw IoError(path_, got.error);
        if (got.bytes == 0) break;
        done += got.bytes;
        if (done >= enough && got.bytes < want) break;
    }
    if (!set_pointer(h, at + static_cast<std::int64_t>(done))) throw IoError(path_, last_error());
    return done;
}

void InputFile::seek(std::int64_t position) {
    check_fault(IoOp::Seek, path_);
    if (position < 0) throw IoError(path_, EINVAL);
    if (!set_pointer(handle_of(fd_), position)) throw IoError(path_, last_error());
}

unsigned char* piece_scratch() noexcept {
    // Kept for the thread's life: a piece read into it is still in the
    // processor's cache when it is coded and written.
    thread_local std::unique_ptr<unsigned char[]> scratch(new (std::nothrow) unsigned char[kScratchSize]);
    return scratch.get();
}

std::int64_t InputFile::position() const {
    std::int64_t at = 0;
    if (!get_pointer(handle_of(fd_), at)) throw IoError(path_, last_error());
    return at;
}

void InputFile::begin_read() { check_fault(IoOp::Read, path_); }

IoStatus InputFile::read_at(void* buf, std::size_t count, std::int64_t offset) const noexcept {
    return pread_exact(handle_of(fd_), static_cast<unsigned char*>(buf), count, offset);
}

void InputFile::read_exact(void* buf, std::size_t count) {
    check_fault(IoOp::Read, path_);
    const HANDLE h = handle_of(fd_);
    auto* p = static_cast<unsigned char*>(buf);
    std::int64_t start = 0;
    if (!get_pointer(h, start)) throw IoError(path_, last_error());
    // A large read is shared with idle workers.
    IoStatus error;
    if (!read_shared(*this, p, count, start, error)) error = pread_exact(h, p, count, start);
    if (error) throw IoError(path_, error);
    if (!set_pointer(h, start + static_cast<std::int64_t>(count))) throw IoError(path_, last_error());
}

void InputFile::close() {
    if (fd_ == kNoHandle) return;
    const HANDLE h = handle_of(fd_);
    fd_ = kNoHandle;
    const bool closed = ::CloseHandle(h) != 0;
    const int error = closed ? 0 : last_error();
    check_fault(IoOp::Close, path_);
    if (!closed) throw IoError(path_, error);
}

}  // namespace tarnvold
