// SPDX-License-Identifier: GPL-3.0-or-later
// Standard streams on Windows: the process's standard handles, read and
// written as bytes (never translated as text).  The copy of standard input
// is a temporary file in the system's folder for them, marked for deletion
// from its first moment: it goes with the last handle, however the process
// ends.
#include "io/file_io_windows.h"
#include "io/folder.h"
#include "io/std_streams.h"
#include "io/windows_text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace tarnvold {
namespace {

// A broken pipe is what a reader that went away gives on any system.
int stream_error(DWORD error) {
    switch (error) {
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED: return EPIPE;
    default: return windows::error_code(error);
    }
}

}  // namespace

bool names_standard_input(const std::string& path) {
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    if (in == nullptr || in == INVALID_HANDLE_VALUE) return false;
    const Identity standard = identity_of(in);
    if (!standard.known) return false;
    const HANDLE named = ::CreateFileW(windows::wide_path(path).c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE) return false;
    const Identity other = identity_of(named);
    ::CloseHandle(named);
    return other.known && other.id == standard.id;
}

int write_handle(HANDLE h, const void* buf, std::size_t count) noexcept {
    const auto* p = static_cast<const unsigned char*>(buf);
    while (count > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count, std::size_t{1} << 30));
        DWORD put = 0;
        if (!::WriteFile(h, p, chunk, &put, nullptr)) return stream_error(::GetLastError());
        if (put == 0) return ENOSPC;
        p += put;
        count -= put;
    }
    return 0;
}

int write_standard_output(const void* buf, std::size_t count) noexcept {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return EBADF;
    return write_handle(out, buf, count);
}

Destination standard_output_destination(const std::string& shown) {
    Destination d;
    d.path = d.target = shown;
    d.standard_output = true;
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    BY_HANDLE_FILE_INFORMATION info{};
    if (out != nullptr && out != INVALID_HANDLE_VALUE && ::GetFileType(out) == FILE_TYPE_DISK &&
        ::GetFileInformationByHandle(out, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        d.regular = true;
        d.id = {info.dwVolumeSerialNumber,
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    }
    return d;
}

struct SpooledInput::State {
    HANDLE file = INVALID_HANDLE_VALUE;
    std::int64_t size = 0;
    std::string name;
    Folder folder;
    ~State() {
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    }
};

SpooledInput::SpooledInput(std::int64_t limit) : state_(std::make_unique<State>()) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    const std::string folder = n > 0 && n <= MAX_PATH ? windows::narrow({temp, n}) : std::string(".");
    state_->folder = Folder::open(folder, Folder::Use::List);

    static std::atomic<unsigned> counter{0};
    const std::wstring where = windows::wide_path(folder);
    const std::wstring base = where.empty() || where.back() == L'\\' ? where : where + L'\\';
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
        char name[48];
        std::snprintf(name, sizeof name, ".tarnvold-stdin-%lu-%u", static_cast<unsigned long>(::GetCurrentProcessId()),
                      counter.fetch_add(1, std::memory_order_relaxed));
        // Others may open it (the engine does, by name) only with deletion
        // shared, so the mark holds.
        state_->file = ::CreateFileW((base + windows::widen(name)).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        error = state_->file == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
        if (error == 0) state_->name = name;
    }
    if (error != 0) throw IoError(folder, windows::error_code(error));

    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    std::vector<unsigned char> buf(1 << 16);
    std::int64_t& total = state_->size;
    while (in != nullptr && in != INVALID_HANDLE_VALUE && total < limit) {
        const auto want = static_cast<DWORD>(std::min<std::int64_t>(limit - total, buf.size()));
        DWORD got = 0;
        if (!::ReadFile(in, buf.data(), want, &got, nullptr)) {
            // The writer's end of a pipe closed: the end of the data.
            const DWORD read_error = ::GetLastError();
            if (read_error == ERROR_BROKEN_PIPE || read_error == ERROR_HANDLE_EOF) break;
            throw IoError("standard input", stream_error(read_error));
        }
        if (got == 0) break;
        if (const int failure = write_handle(state_->file, buf.data(), got); failure != 0)
            throw IoError(folder, failure);
        total += got;
    }
}

SpooledInput::~SpooledInput() = default;

const Folder& SpooledInput::folder() const { return state_->folder; }
const std::string& SpooledInput::name() const { return state_->name; }
std::int64_t SpooledInput::size() const { return state_->size; }

}  // namespace tarnvold
