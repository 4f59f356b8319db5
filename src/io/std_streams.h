// SPDX-License-Identifier: GPL-3.0-or-later
// The process's standard streams as files: standard output as the
// destination of an operation, which takes its bytes in order as they are
// made, and standard input kept in a temporary file, so that an operation
// can read it twice and find what lies at its end.  This build's side is
// std_streams_posix.cpp; std_streams_windows.cpp is the other.
#pragma once

#include "io/file_io.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tarnvold {

// Writes all of `count` bytes to standard output: 0, or the error number
// (EPIPE once the reader went away, ENOSPC on a full device).  The program
// ignores SIGPIPE, so a reader that goes away is an error like any other.
int write_standard_output(const void* buf, std::size_t count) noexcept;

// Standard output as an operation's destination, shown as `shown`.  It is
// never created, asked about or replaced: an OutputFile made for it sends
// every byte out at once, in order (OutputFile::positioned() is false).
// When standard output is a regular file, its identity is in `id` and
// `regular` is set, so that a source is not written into itself.
Destination standard_output_destination(const std::string& shown);

// True when `path` names the file standard input is, under another name
// (/dev/stdin, /dev/fd/0, /proc/self/fd/0, a duplicate of it): the same
// open file, or the same file on disk.
bool names_standard_input(const std::string& path);

// Standard input copied into a temporary file that only this process can
// reach: without a name where the file system allows it, removed at once
// (or, where that cannot be, when it is closed) otherwise.  The copy stops
// after `limit` bytes; what follows stays unread.  It lives as long as this
// object.
class SpooledInput {
public:
    // Throws IoError: naming "standard input" when reading fails, the
    // folder for temporary files when the copy cannot be made.
    explicit SpooledInput(std::int64_t limit);
    ~SpooledInput();
    SpooledInput(const SpooledInput&) = delete;
    SpooledInput& operator=(const SpooledInput&) = delete;

    // Where an InputFile opens the copy: the name in a folder held open,
    // reached with links followed.
    const Folder& folder() const;
    const std::string& name() const;
    // The number of bytes copied.
    std::int64_t size() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tarnvold
