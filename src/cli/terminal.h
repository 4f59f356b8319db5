// SPDX-License-Identifier: GPL-3.0-or-later
// Talking to the person at the terminal: questions and the password prompt
// on the controlling terminal, the password from a file or a stream, and
// Ctrl-C during a run of several files.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvold::cli {

bool stdin_is_terminal();
// True when the process has a controlling terminal to ask questions on.
bool have_terminal();
// Prints the question on the controlling terminal and reads y/yes or n/no
// there; anything else, no terminal, or Ctrl-C counts as No.
bool ask_on_terminal(std::string_view question);

// The longest first line taken as a password: far beyond any password (the
// key stream uses at most 255 bytes of it), and a bound for a source that
// never ends (/dev/zero, a large file given by mistake).
inline constexpr std::size_t kLongestLine = 64 * 1024;

// A first line as read: the line without its line end (CR and/or LF);
// nothing for an empty source, a longer line (too_long) or a failed read
// (the system's error number in `error`).
struct FirstLine {
    std::optional<std::string> line;
    bool too_long = false;
    int error = 0;
};

// Reads a password from the controlling terminal without echo.  When the
// prompt is ended by a signal, the terminal's settings are put back before
// the signal ends the process; Ctrl-Z puts them back before the process
// stops, and after fg the typing is hidden and the prompt shown again.
FirstLine read_password_from_terminal(std::string_view prompt);
// The first line of a descriptor (standard input).
FirstLine read_first_line(int fd);
// The first line of a file; a folder gives EISDIR.
FirstLine read_first_line_of_file(const std::string& path);

// Ctrl-C during a run of several files: the first one asks the run to stop
// after the current file, a second one removes the temporary files and ends
// the process at once.  When the process was started with Ctrl-C ignored
// (nohup, a background job of a script), it stays ignored.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
};
bool interrupt_requested();

}  // namespace tarnvold::cli
