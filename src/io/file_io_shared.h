// SPDX-License-Identifier: GPL-3.0-or-later
// What the file layer's own files share, the same on every system
// (file_errors.cpp): the test seam's checks and the form of temporary
// names.  Not for other parts: they use io/file_io.h.
#pragma once

#include "io/file_io.h"

#include <cstddef>
#include <string>

namespace tarnvold {

// The error number the hook of set_io_fault_hook asks `op` on `path` to
// fail with; 0 when it lets it run, or when no hook is set.
int io_fault(IoOp op, const std::string& path);
// Throws IoError(path, error) when the hook asks `op` to fail.
void check_fault(IoOp op, const std::string& path);

// The folder a path is in ("." for a bare name; "C:" for "C:name" on
// Windows) and its last name.
std::string folder_of(const std::string& path);
std::string base_of(const std::string& path);
// True when the path leads to a folder, links followed.
bool is_folder(const std::string& path);

// A new temporary name for a file of process `process`: ".tvtmp-", the
// process number in ten digits, "-" and a counter in eight hexadecimal
// digits; 26 bytes whatever the destination's name, so that it fits
// wherever that name fits.  temporary_owner reads it back.
std::string temporary_name(unsigned long process);
inline constexpr std::size_t kTemporaryNameLength = 26;

// A read of `count` bytes at `start` large enough to share with the work
// pool's idle workers (copying from the system's cache is most of its
// cost): true when it was shared, `failed` then holding the first failure.
// The pieces land where one read would put them.
bool read_shared(const InputFile& file, unsigned char* p, std::size_t count, std::int64_t start, IoStatus& failed);

}  // namespace tarnvold
