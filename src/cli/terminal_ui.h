// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's user interface on a terminal: log lines on standard output
// through the same log device as the window's pane, notices on standard
// error naming their file, questions asked on the controlling terminal (or
// answered without one), and a progress line on standard error.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "io/log_device.h"
#include "engine/user_interface.h"

namespace tarnvold::cli {

struct TerminalOptions {
    bool quiet = false;        // no log lines
    bool yes = false;          // answer Yes to every question
    bool interactive = false;  // questions may be asked on the terminal
    bool progress = false;     // a progress line on standard error
};

// One line on standard error, redrawn in place: files done / total, the
// bytes of the current pass and the current file.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled) : enabled_(enabled) {}
    void set_total(std::int64_t files) { total_ = files; }
    void file_begins(std::string_view file);
    void file_done() { ++done_; }
    void bar_setup(ProgressBarId bar, std::int64_t max, std::int64_t step);
    void bar_set_position(ProgressBarId bar, std::int64_t position);
    // `count` steps at once (none when count <= 0).
    void bar_step(ProgressBarId bar, std::int64_t count = 1);
    // Draws the line, at most ten times a second unless `now`.
    void draw(bool now);
    // Takes the line off the screen; the next draw puts it back.
    void clear();

private:
    struct Bar {
        std::int64_t max = 0, step = 1, position = 0;
    };
    Bar& bar(ProgressBarId id) { return bars_[static_cast<int>(id) - 1]; }

    bool enabled_;
    bool shown_ = false;
    std::int64_t total_ = 0, done_ = 0;
    std::string file_;
    Bar bars_[4];
    ProgressBarId active_ = ProgressBarId::Checksum;
    std::chrono::steady_clock::time_point last_draw_{};
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
    void notice(std::string_view text) override;
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

    // A line on standard error naming the current file, unless the text
    // names it already.
    void error_line(std::string_view text);
    // The file the current operation works on.
    const std::string& current_file() const { return current_; }
    // The log lines of the current file so far.
    std::span<const std::string> file_log() const { return {file_log_.data(), file_log_used_}; }
    // True once a notice was shown for the current file.
    bool noticed() const { return noticed_; }

    // Tells why the current file was declined: the question left unanswered
    // or answered No, with the destination it was about.
    void report_declined(const std::string& source, const std::string& destination);

private:
    enum class Question { None, Exists, Newer };

    TerminalOptions options_;
    LogDevice log_;
    ProgressLine progress_;
    bool log_silenced_ = false;
    std::string current_;
    // Its first file_log_used_ strings are the current file's log lines;
    // the rest keep their room for the next file's.
    std::vector<std::string> file_log_;
    std::size_t file_log_used_ = 0;
    bool noticed_ = false;
    Question declined_ = Question::None;
};

}  // namespace tarnvold::cli
