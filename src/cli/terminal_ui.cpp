// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/terminal_ui.h"

#include "cli/terminal.h"

#include "config/international.h"
#include "config/message_id.h"
#include "engine/coded_format.h"
#include "io/console.h"
#include "io/file_io.h"
#include "io/utf8_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tarnvold::cli {
namespace {

// Characters of a UTF-8 text (bytes that do not continue a sequence).
std::size_t characters(std::string_view text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The first `n` characters of a UTF-8 text.
std::string_view first_characters(std::string_view text, std::size_t n) {
    std::size_t end = 0;
    for (; end < text.size(); ++end) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80) {
            if (n == 0) break;
            --n;
        }
    }
    return text.substr(0, end);
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

// "1.5/3.0 MiB": both in the unit the whole reads best in.
std::string sizes_text(std::int64_t done, std::int64_t whole) {
    if (whole < 1024) return std::to_string(done) + "/" + std::to_string(whole) + " B";
    static const char* const units[] = {"KiB", "MiB", "GiB"};
    double divisor = 1024.0;
    int unit = 0;
    while (static_cast<double>(whole) / divisor >= 1024.0 && unit < 2) {
        divisor *= 1024.0;
        ++unit;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.1f/%.1f %s", static_cast<double>(done) / divisor,
                  static_cast<double>(whole) / divisor, units[unit]);
    return text;
}

// The version a coded file says it was made by, as "major.minor".
std::string version_of(const std::string& path) {
    std::uint8_t bytes[kHeaderSize] = {};
    try {
        InputFile file(path);
        file.read_exact(bytes, sizeof bytes);
    } catch (const IoError&) {
        return "?";
    }
    const coded_header header = coded_header::from_bytes(bytes);
    return std::to_string(header.version_major) + "." + std::to_string(header.version_minor);
}

void to_stderr(std::string_view text) { write_all(kStderr, text); }

// The length of the character at `pos` when it can be shown on a terminal;
// 0 for a control character (C0, DEL, C1) or a byte that starts no UTF-8
// character.
std::size_t showable(std::string_view text, std::size_t pos) {
    const std::size_t length = utf8_char_length(text, pos);
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (length == 1 && (byte(pos) < 0x20 || byte(pos) == 0x7F)) return 0;
    if (length == 2 && byte(pos) == 0xC2 && byte(pos + 1) < 0xA0) return 0;
    return length;
}

bool all_showable(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t n = showable(text, pos);
        if (n == 0) return false;
        pos += n;
    }
    return true;
}

// A reason as a terminal can take it: control characters as "?".
std::string shown_reason(std::string_view reason) {
    if (all_showable(reason)) return std::string(reason);
    std::string out;
    for (std::size_t pos = 0; pos < reason.size();) {
        const std::size_t n = showable(reason, pos);
        out += n == 0 ? std::string_view("?") : reason.substr(pos, n);
        pos += n == 0 ? 1 : n;
    }
    return out;
}

}  // namespace

int write_all(int fd, std::string_view text) { return write_descriptor(fd, text); }

std::string quoted_name(std::string_view name) {
    if (all_showable(name)) return std::string(name);
    std::string out;
    enum { None, Plain, Escaped } open = None;
    const auto close = [&] {
        if (open != None) out += '\'';
        open = None;
    };
    for (std::size_t pos = 0; pos < name.size();) {
        const std::size_t n = showable(name, pos);
        if (name[pos] == '\'') {
            close();
            out += "\\'";
            ++pos;
            continue;
        }
        if (n != 0) {
            if (open != Plain) {
                close();
                out += '\'';
                open = Plain;
            }
            out += name.substr(pos, n);
            pos += n;
            continue;
        }
        if (open != Escaped) {
            close();
            out += "$'";
            open = Escaped;
        }
        // The bytes of a C1 control character, or the one stray byte.
        const std::size_t bytes = std::max<std::size_t>(utf8_char_length(name, pos), 1);
        for (std::size_t i = 0; i < bytes; ++i, ++pos) {
            const auto c = static_cast<unsigned char>(name[pos]);
            static constexpr std::string_view kLetters = "abtnvfr";  // \a = 7 ... \r = 13
            if (c >= 7 && c <= 13) {
                out += '\\';
                out += kLetters[c - 7];
            } else {
                char octal[5];
                std::snprintf(octal, sizeof octal, "\\%03o", c);
                out += octal;
            }
        }
    }
    close();
    return out;
}

bool plain_terminal() {
    const char* term = std::getenv("TERM");
    return term != nullptr && std::string_view(term) == "dumb";
}

void tell(std::string_view path, std::string_view reason) {
    std::string line = "tarnvold-cli: ";
    if (!path.empty()) {
        line += quoted_name(path);
        line += ": ";
    }
    line += shown_reason(reason);
    line += '\n';
    to_stderr(line);
}

ProgressLine::ProgressLine(bool enabled, bool decoding, bool plain)
    : enabled_(enabled), decoding_(decoding), plain_(plain) {}

void ProgressLine::file_begins(std::string_view file) {
    file_ = quoted_name(file);
    for (Bar& b : bars_)
        if (&b != &bar(ProgressBarId::Folder)) b = Bar{};
    active_ = ProgressBarId::Checksum;
    draw();
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
    draw();
}

bool ProgressLine::in_foreground() const { return console_in_foreground(); }

std::string ProgressLine::text() const {
    // The number of the file at work: "N/N" while the last one runs.
    std::string head = std::to_string(std::min(done_ + 1, std::max<std::int64_t>(total_, 1))) + "/" +
                       std::to_string(std::max<std::int64_t>(total_, 1));
    const Bar& pass = bars_[static_cast<int>(active_)];
    if (pass.max > 0) {
        head += active_ == ProgressBarId::Checksum ? " checksum " : decoding_ ? " decoding " : " coding ";
        head += sizes_text(pass.position, pass.max);
    }
    head += "  ";
    // One line that never wraps, or "\r" could not take it back.
    const std::size_t room = width_ > 1 ? width_ - 1 : 1;
    const std::size_t used = characters(head);
    if (used + characters(file_) <= room) return head + file_;
    if (used + 2 <= room) return head + "\u2026" + std::string(last_characters(file_, room - used - 1));
    return std::string(first_characters(head, room));
}

void ProgressLine::draw() {
    if (!enabled_ || file_.empty()) return;
    const auto time = std::chrono::steady_clock::now();
    if (drawn_once_ && time - last_draw_ < std::chrono::milliseconds(100)) return;
    if (!in_foreground()) return;
    last_draw_ = time;
    drawn_once_ = true;
    width_ = console_width();
    // Appended, not "\r" + text(): GCC 12 at -O3 takes the prepend for an
    // overlapping copy (-Wrestrict) and stops a build with warnings as errors.
    std::string line = "\r";
    line += text();
    if (plain_) {
        // Blanks over what is left of a longer line before.
        const std::size_t width = characters(line) - 1;
        line.append(shown_width_ > width ? shown_width_ - width : 0, ' ');
        shown_width_ = std::max(shown_width_, width);
    } else {
        line += "\033[K";
    }
    to_stderr(line);
    shown_ = true;
}

void ProgressLine::clear() {
    if (!shown_) return;
    shown_ = false;
    if (!in_foreground()) return;
    if (plain_)
        to_stderr("\r" + std::string(shown_width_, ' ') + "\r");
    else
        to_stderr("\r\033[K");
    shown_width_ = 0;
}

TerminalUi::TerminalUi(TerminalOptions options)
    : options_(options),
      log_([this](const std::string& line) {
          if (!options_.verbose || log_silenced_ || output_error_ != 0) return;
          // Only a line that goes to the terminal takes the progress line
          // off first; the next draw puts it back.
          if (log_on_terminal_) progress_.clear();
          const int error = write_all(options_.log_to_stderr ? kStderr : kStdout, line + "\n");
          if (error != 0 && !options_.log_to_stderr) output_error_ = error;
      }),
      progress_(options.progress, options.decoding, plain_terminal() || !console_takes_escapes()) {
    log_on_terminal_ = is_console(options_.log_to_stderr ? kStderr : kStdout);
    log_.prepare();
    log_.open_for_writing();
}

std::string TerminalUi::message(int n) { return table_entry(builtin_english(), n); }

// Names reach the log as items of their own: one that would harm the
// terminal, or lose a line feed in the log, goes in quoted.
void TerminalUi::log_write(std::string_view text) { log_.write(quoted_name(text)); }
void TerminalUi::log_write(std::int64_t value) { log_.write(value); }
void TerminalUi::log_write_line() { log_.write_line(); }

void TerminalUi::file_begins(std::string_view source) { progress_.file_begins(source); }

bool TerminalUi::ask_yes_no(std::string_view text) { return ask(Question::Other, {}, text); }

bool TerminalUi::ask(Question, std::string_view about, std::string_view text) {
    if (options_.yes) return true;
    if (!options_.interactive) return false;
    progress_.clear();
    // The question names the file it is about.
    return ask_on_terminal(about.empty() ? std::string(text) : quoted_name(about) + ": " + std::string(text));
}

void TerminalUi::error_line(std::string_view path, std::string_view reason) {
    progress_.clear();
    tell(path, reason);
}

// The front end tells every fault from the outcome the engine returns.
void TerminalUi::notice(std::string_view) {}
void TerminalUi::refused(const Reason&) {}

void TerminalUi::report_declined(Question question, const std::string& source, const std::string& destination) {
    switch (question) {
    case Question::DecodeNewerVersion:
        error_line(source, "made by version " + version_of(source) + "; not decoded (use --yes to decode it)");
        break;
    case Question::ReplaceDestination: error_line(destination, "exists; not replaced (use --yes to replace it)"); break;
    case Question::Other: break;
    }
}

void TerminalUi::bar_setup(ProgressBarId bar, std::int64_t, std::int64_t max, std::int64_t step) {
    progress_.bar_setup(bar, max, step);
}
void TerminalUi::bar_set_position(ProgressBarId bar, std::int64_t position) {
    progress_.bar_set_position(bar, position);
}
void TerminalUi::bar_step(ProgressBarId bar) { progress_.bar_step(bar); }
void TerminalUi::bar_steps(ProgressBarId bar, std::int64_t count) { progress_.bar_step(bar, count); }

void TerminalUi::process_events() { progress_.draw(); }

}  // namespace tarnvold::cli
