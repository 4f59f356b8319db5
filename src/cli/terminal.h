// SPDX-License-Identifier: GPL-3.0-or-later
// Talking to the person at the terminal: questions and the password prompt
// on the controlling terminal, the password from a file or a stream, and
// Ctrl-C during a folder run.
#pragma once

#include <cstdio>
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
// Reads a password from the controlling terminal without echo.  When the
// prompt is ended by a signal, the terminal's settings are put back before
// the signal ends the process.
std::optional<std::string> read_password_from_terminal(std::string_view prompt);
// The first line of a stream, without its line end (CR and/or LF).
std::optional<std::string> read_first_line(std::FILE* stream);
// The first line of a file; nullopt with the system's error number in
// `error` when it cannot be read (a folder gives EISDIR).
std::optional<std::string> read_first_line_of_file(const std::string& path, int& error);

// Ctrl-C during a folder run: the first one asks the run to stop after the
// current file, a second one removes the temporary files and ends the
// process at once.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
};
bool interrupt_requested();

}  // namespace tarnvold::cli
