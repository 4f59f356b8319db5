// SPDX-License-Identifier: GPL-3.0-or-later
// The console a command-line program talks to: the standard streams, the
// person at the keyboard (questions, a password typed without echo), the
// width of the screen line, and Ctrl-C during a run of several files.  The
// controlling terminal here, the console (CONIN$, CONOUT$) on Windows; this
// build's side is console_posix.cpp.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvold {

// The standard streams' descriptors, the same on every system.
inline constexpr int kStdin = 0;
inline constexpr int kStdout = 1;
inline constexpr int kStderr = 2;

// The arguments of the program, in UTF-8 whatever the system gave them as.
// Each program defines program_main; the system's entry point calls it.
int program_main(std::vector<std::string> arguments);

// Sets up the standard streams before anything is written: a reader that
// goes away is a write error (no signal), the streams carry bytes as they
// are (no line-end translation), and UTF-8 shows as such on a console.
void prepare_standard_streams();

// True when the descriptor is a terminal or console.
bool is_console(int fd);
// Writes all of `text` to a descriptor; 0, or the system's error number.
// UTF-8 written to a console shows as the characters it stands for.
int write_descriptor(int fd, std::string_view text);

// True when the process has a console to ask questions on.
bool have_console();
// The progress line may be drawn: standard error is a console, and the
// process is in its foreground (a background job draws nothing over the
// shell's prompt).
bool console_in_foreground();
// The width of standard error's console in characters (80 when it cannot
// be told); read again after the window changed its size.
std::size_t console_width();

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

// A source read piece by piece: fills `buf` with up to `size` bytes and
// returns how many came, 0 at its end, or -1 with the error number in
// `error`.
using ReadPiece = std::function<std::ptrdiff_t(char* buf, std::size_t size, int& error)>;
// The first line of such a source, up to kLongestLine bytes; what follows
// the line is read no further than the piece it ends in.
FirstLine first_line_from(const ReadPiece& read);

// Every question and password prompt holds the console for itself while it
// asks (a lock on the terminal device, a named mutex for the console on
// Windows), so that two programs of one pipeline ask one after the other.

// Waits until standard-input-like `fd` has something to read or has ended:
// in a pipeline, whatever runs before has then asked its own questions.
void wait_for_input(int fd);

// Ends the process by the interrupt signal, its default action restored,
// so that a calling shell sees a death by Ctrl-C and stops its loop.
// Returns where the system has no such signal.
void end_by_interrupt();

// Shows `prompt` on the console and reads one line typed there.  Nothing
// when there is no console, the input ended, or Ctrl-C was pressed during a
// run of several files (then the line on the screen is ended).
std::optional<std::string> ask_console_line(std::string_view prompt);
// Reads a password on the console without echo.  When the prompt is ended
// by Ctrl-C, the console's settings are put back before the process ends;
// here Ctrl-Z puts them back before the process stops, and after fg the
// typing is hidden and the prompt shown again.
FirstLine read_console_password(std::string_view prompt);
// The first line of standard input.
FirstLine read_first_line_of_stdin();
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

}  // namespace tarnvold
