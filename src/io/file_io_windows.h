// SPDX-License-Identifier: GPL-3.0-or-later
// What the Windows side of the file layer shares among its files: plain
// file access (file_io_windows.cpp), what names and handles are
// (file_info_windows.cpp), output files (output_file_windows.cpp) and the
// standard streams.  Not for other parts: they use io/file_io.h.
#pragma once

#include "io/file_io_shared.h"
#include "io/windows_text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnvold {

// kNoHandle is INVALID_HANDLE_VALUE.
inline HANDLE handle_of(SystemHandle fd) { return reinterpret_cast<HANDLE>(fd); }
inline SystemHandle fd_of(HANDLE handle) { return reinterpret_cast<SystemHandle>(handle); }

// The error number of the system's last error (windows::error_code).
int last_error();

// The full path of `name` in a held folder, as the system now reaches the
// folder (the handle keeps it from being moved meanwhile).
std::wstring path_in(const Folder& folder, std::string_view name);
// A single name in a folder: nothing that walks elsewhere.
bool plain_name(std::string_view name);

// What an open handle is.
struct Identity {
    bool known = false;
    bool regular = false;
    bool folder = false;
    bool read_only = false;
    bool link = false;
    std::int64_t size = 0;
    FileId id;
};
Identity identity_of(HANDLE h);

// Writes all `count` bytes at `position`: 0 or the error number (ENOSPC when
// the system takes nothing).
int pwrite_all(HANDLE h, const unsigned char* p, std::size_t count, std::int64_t position) noexcept;

// Writes all `count` bytes to a handle opened for ordinary transfers (a
// standard stream): 0 or the error number (EPIPE once a reader went away,
// ENOSPC when the system takes nothing); std_streams_windows.cpp.
int write_handle(HANDLE h, const void* buf, std::size_t count) noexcept;

// The handle's file pointer: where sequential transfers go on.
bool get_pointer(HANDLE h, std::int64_t& at);
bool set_pointer(HANDLE h, std::int64_t at);

}  // namespace tarnvold
