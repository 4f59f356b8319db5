// SPDX-License-Identifier: GPL-3.0-or-later
// What the POSIX side of the file layer shares among its files: plain file
// access (file_io_posix.cpp), output files (output_file_posix.cpp), the
// names removed on interruption (temporary_names_posix.cpp) and the
// standard streams.  Not for other parts: they use io/file_io.h.
#pragma once

#include "io/file_io_shared.h"

#include <cstddef>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace tarnvold {

inline int fd_of(SystemHandle handle) { return static_cast<int>(handle); }

inline FileId id_of(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// Writes all `count` bytes to a descriptor: at `position`, or, when it is
// negative, where the descriptor's own position is.  0 or the error number;
// ENOSPC when the system takes nothing.
int write_fully(int fd, const void* buf, std::size_t count, off_t position = -1) noexcept;

// Remembers the temporary file `name` in the folder `dir` for removal on
// interruption: its slot, or -1 when there is no room (the file is then
// only removed by the normal paths).
int remember_temporary(int dir, const std::string& name) noexcept;
// Forgets the slot remember_temporary gave (nothing for -1).
void forget_temporary_slot(int slot) noexcept;

}  // namespace tarnvold
