// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/terminal_ui.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <sys/ioctl.h>
#include <unistd.h>

#include "engine/coded_format.h"
#include "config/international.h"
#include "config/message_id.h"
#include "cli/terminal.h"

namespace tarnvold::cli {
namespace {

// Characters of a UTF-8 text (bytes that do not continue a sequence).
std::size_t characters(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The last `n` characters of a UTF-8 text.
std::string_view last_characters(std::string_view text, std::size_t n) {
    std::size_t start = text.size();
    while (start > 0 && n > 0) {
        --start;
        if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) --n;
    }
    return text.substr(start);
}

std::string size_text(std::int64_t bytes) {
    static const char* const units[] = {"KiB", "MiB", "GiB"};
    if (bytes < 1024) return std::to_string(bytes) + " B";
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 2) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

std::size_t terminal_width() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

void to_stderr(std::string_view text) {
    std::fflush(stdout);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

// The version a coded file says it was made by, as "major.minor".
std::string version_of(const std::string& path) {
    std::uint8_t bytes[kHeaderSize] = {};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return "?";
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    if (got != sizeof bytes) return "?";
    const coded_header header = coded_header::from_bytes(bytes);
    return std::to_string(header.version_major) + "." + std::to_string(header.version_minor);
}

}  // namespace

void ProgressLine::file_begins(std::string_view file) {
    file_.assign(file);
    for (Bar& b : bars_)
        if (&b != &bar(ProgressBarId::Folder)) b = Bar{};
    draw(true);
}

void ProgressLine::bar_setup(ProgressBarId id, std::int64_t max, std::int64_t step) {
    Bar& b = bar(id);
    b.max = max;
    b.step = step;
}

void ProgressLine::bar_set_position(ProgressBarId id, std::int64_t position) { bar(id).position = position; }

void ProgressLine::bar_step(ProgressBarId id, std::int64_t count) {
    if (count <= 0) return;
    Bar& b = bar(id);
    // No more steps than reach the maximum: their sum could not overflow.
    const std::int64_t room = b.step > 0 ? (b.max - std::min(b.max, b.position)) / b.step + 1 : count;
    b.position = std::min(b.max, b.position + std::min(count, room) * b.step);
    if (id != ProgressBarId::Folder) active_ = id;
    draw(false);
}

void ProgressLine::draw(bool now) {
    if (!enabled_ || file_.empty()) return;
    const auto time = std::chrono::steady_clock::now();
    if (!now && shown_ && time - last_draw_ < std::chrono::milliseconds(100)) return;
    last_draw_ = time;

    std::string text = std::to_string(std::min(done_, total_)) + "/" + std::to_string(total_) + " files";
    const Bar& b = bar(active_);
    if (b.max > 0) text += "  " + size_text(b.position) + " of " + size_text(b.max);
    text += "  ";
    // One line that never wraps, or "\r" could not take it back.
    const std::size_t width = terminal_width() - 1;
    const std::size_t used = characters(text);
    if (used + characters(file_) <= width) {
        text += file_;
    } else if (used + 2 <= width) {
        text += "\u2026";
        text += last_characters(file_, width - used - 1);
    }
    to_stderr("\r" + text + "\033[K");
    shown_ = true;
}

void ProgressLine::clear() {
    if (!shown_) return;
    to_stderr("\r\033[K");
    shown_ = false;
}

TerminalUi::TerminalUi(TerminalOptions options)
    : options_(options),
      log_([this](const std::string& line) {
          if (file_log_used_ < file_log_.size())
              file_log_[file_log_used_].assign(line);
          else
              file_log_.push_back(line);
          ++file_log_used_;
          if (options_.quiet || log_silenced_) return;
          progress_.clear();
          std::fwrite(line.data(), 1, line.size(), stdout);
          std::fputc('\n', stdout);
          std::fflush(stdout);
          progress_.draw(true);
      }),
      progress_(options.progress && !options.quiet) {
    log_.prepare();
    log_.open_for_writing();
}

std::string TerminalUi::message(int n) { return table_entry(builtin_english(), n); }

void TerminalUi::log_write(std::string_view text) { log_.write(text); }
void TerminalUi::log_write(std::int64_t value) { log_.write(value); }
void TerminalUi::log_write_line() { log_.write_line(); }

void TerminalUi::file_begins(std::string_view source) {
    current_.assign(source);
    file_log_used_ = 0;
    noticed_ = false;
    declined_ = Question::None;
    progress_.file_begins(source);
}

bool TerminalUi::ask_yes_no(std::string_view text) {
    if (options_.yes) return true;
    bool answer = false;
    if (options_.interactive) {
        progress_.clear();
        std::fflush(stdout);
        answer = ask_on_terminal(text);
        progress_.draw(true);
    }
    if (!answer) declined_ = text == message(msg::kNewerVersion) ? Question::Newer : Question::Exists;
    return answer;
}

void TerminalUi::error_line(std::string_view text) {
    progress_.clear();
    std::string line;
    if (!current_.empty() && text.find(current_) == std::string_view::npos) line = current_ + ": ";
    line += text;
    line += '\n';
    to_stderr(line);
    progress_.draw(true);
}

void TerminalUi::notice(std::string_view text) {
    noticed_ = true;
    error_line(text);
}

void TerminalUi::report_declined(const std::string& source, const std::string& destination) {
    switch (declined_) {
    case Question::Newer:
        error_line(source + " was made by version " + version_of(source) + "; not decoded (use --yes to decode it)");
        break;
    case Question::Exists:
        progress_.clear();
        to_stderr(destination + " exists; not replaced (use --yes to replace it)\n");
        progress_.draw(true);
        break;
    case Question::None: break;
    }
    declined_ = Question::None;
}

void TerminalUi::bar_setup(ProgressBarId bar, std::int64_t, std::int64_t max, std::int64_t step) {
    progress_.bar_setup(bar, max, step);
}
void TerminalUi::bar_set_position(ProgressBarId bar, std::int64_t position) {
    progress_.bar_set_position(bar, position);
}
void TerminalUi::bar_step(ProgressBarId bar) { progress_.bar_step(bar); }
void TerminalUi::bar_steps(ProgressBarId bar, std::int64_t count) { progress_.bar_step(bar, count); }

void TerminalUi::process_events() { progress_.draw(false); }

}  // namespace tarnvold::cli
