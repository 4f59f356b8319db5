// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's user interface on a terminal: with --verbose, log lines on
// standard output through the same log device as the window's pane; lines
// on standard error naming a file and its fault, told by the front end from
// each outcome; questions asked on the controlling terminal (or answered
// without one), and a progress line on standard error.
#pragma once

#include "engine/user_interface.h"
#include "io/log_device.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvold::cli {

// Writes all of `text` to a descriptor; 0, or the system's error number.
int write_all(int fd, std::string_view text);
// Writes to standard output; 0, or the system's error number (EPIPE for a
// reader that went away: SIGPIPE is ignored).
inline int write_stdout(std::string_view text) { return write_all(1, text); }
// One line on standard error: "tarnvold-cli: PATH: reason" (or
// "tarnvold-cli: reason" without a path), the path as quoted_name shows it
// and any control character of the reason shown as "?".
void tell(std::string_view path, std::string_view reason);

// A name as it can be shown on a terminal: as it is, unless it holds a
// control character or is not valid UTF-8; then quoted the way a shell
// reads it back, those bytes escaped ('a'$'\n''b', 'x'$'\033''[1m').
std::string quoted_name(std::string_view name);

// The terminal takes no escape sequences (TERM=dumb).
bool plain_terminal();

struct TerminalOptions {
    bool verbose = false;        // the log lines (none by default)
    bool yes = false;            // answer Yes to every question
    bool interactive = false;    // questions may be asked on the terminal
    bool progress = false;       // a progress line on standard error
    bool log_to_stderr = false;  // standard output carries data: the log goes to standard error
    bool decoding = false;       // the label of the coding passes
};

// One line on standard error, redrawn in place at most ten times a second
// and only while the process is in the terminal's foreground: the number
// of the file at work and the total, the pass with the bytes it has done,
// and the current file, cut to the terminal's width.
class ProgressLine {
public:
    ProgressLine(bool enabled, bool decoding, bool plain = false);
    void set_total(std::int64_t files) { total_ = files; }
    void file_begins(std::string_view file);
    void file_done() { ++done_; }
    void bar_setup(ProgressBarId bar, std::int64_t max, std::int64_t step);
    void bar_set_position(ProgressBarId bar, std::int64_t position);
    // `count` steps at once (none when count <= 0).
    void bar_step(ProgressBarId bar, std::int64_t count = 1);
    // Draws the line unless it was drawn less than 100 ms ago.
    void draw();
    // Takes the line off the screen; a later draw puts it back.
    void clear();
    bool enabled() const { return enabled_; }

private:
    struct Bar {
        std::int64_t max = 0, step = 1, position = 0;
    };
    Bar& bar(ProgressBarId id) { return bars_[static_cast<int>(id)]; }
    bool in_foreground() const;
    std::string text() const;

    bool enabled_;
    bool decoding_;
    bool plain_;  // drawn over with blanks, without escape sequences
    std::size_t shown_width_ = 0;
    bool shown_ = false;
    std::int64_t total_ = 0, done_ = 0;
    std::string file_;
    Bar bars_[kProgressParts];
    ProgressBarId active_ = ProgressBarId::Checksum;
    std::size_t width_ = 80;
    std::chrono::steady_clock::time_point last_draw_{};
    bool drawn_once_ = false;
};

class TerminalUi : public UserInterface {
public:
    explicit TerminalUi(TerminalOptions options);
    ~TerminalUi() override { progress_.clear(); }
    TerminalUi(const TerminalUi&) = delete;
    TerminalUi& operator=(const TerminalUi&) = delete;

    std::string message(int n) override;
    void log_write(std::string_view text) override;
    void log_write(std::int64_t value) override;
    void log_write_line() override;
    bool ask_yes_no(std::string_view text) override;
    bool ask(Question question, std::string_view about, std::string_view text) override;
    void notice(std::string_view text) override;
    void refused(const Reason& reason) override;
    void bar_setup(ProgressBarId bar, std::int64_t min, std::int64_t max, std::int64_t step) override;
    void bar_set_position(ProgressBarId bar, std::int64_t position) override;
    void bar_step(ProgressBarId bar) override;
    // The line shows only where a bar stands: the steps go in one move.
    void bar_steps(ProgressBarId bar, std::int64_t count) override;
    void label_set_caption(LabelId, std::string_view) override {}
    void label_set_visible(LabelId, bool) override {}
    void process_events() override;
    void file_begins(std::string_view source) override;

    // Keeps the log lines off standard output (the test command prints its
    // own result lines).
    void silence_log() { log_silenced_ = true; }
    ProgressLine& progress() { return progress_; }

    // The destination of the file that begins next, for the questions.

    // "tarnvold-cli: PATH: reason" on standard error, the progress line
    // taken off first.
    void error_line(std::string_view path, std::string_view reason);

    // Tells why a file was declined: the question left unanswered or
    // answered No, with the file it was about.
    void report_declined(Question question, const std::string& source, const std::string& destination);

    // The error of the first write to the log's stream that failed (0 when
    // none did); no log line is written after it.
    int output_error() const { return output_error_; }

private:
    TerminalOptions options_;
    LogDevice log_;
    ProgressLine progress_;
    bool log_silenced_ = false;
    // Standard output is the terminal the progress line is drawn on.
    bool log_on_terminal_ = false;
    int output_error_ = 0;
};

}  // namespace tarnvold::cli
