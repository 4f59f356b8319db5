// SPDX-License-Identifier: GPL-3.0-or-later
// The one channel through which the coding engine and the folder walks reach
// the person using the program: log lines, questions, notices, the progress
// bars with their labels, and letting the window breathe.  The main window
// implements it with widgets, the command-line tool on a terminal, the tests
// as a script that records every call.
#pragma once

#include "engine/outcome.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnvold {

// The progress display: a bar with its label for each part of a file's
// work, and one for a folder run's files.  Pass1 and Pass2 are the first
// and second pass over a file's contents: coding, the position key stream
// and then the password key stream; decoding, the other way round.  Each
// front end places them as it likes.
enum class ProgressBarId : int { Checksum, Pass1, Pass2, Folder };
enum class LabelId : int { Checksum, Pass1, Pass2, Folder };
inline constexpr std::size_t kProgressParts = 4;

// Which question a Yes/No box asks, for a front end that tells the
// questions apart without reading their text.
enum class Question {
    Other,
    ReplaceDestination,  // the destination exists: replace it?
    DecodeNewerVersion,  // the coded file was made by a newer version: decode it?
};

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // Entry n (1..56) of the current message table, read at the moment of use.
    virtual std::string message(int n) = 0;

    // The log device: items are appended to the current report, which the
    // line end closes.
    virtual void log_write(std::string_view text) = 0;
    virtual void log_write(std::int64_t value) = 0;
    virtual void log_write_line() = 0;

    // A Yes/No box with the caption "Tarnvold": true for Yes.
    virtual bool ask_yes_no(std::string_view text) = 0;
    // The same for a question the caller names, about the file `about`;
    // by default as ask_yes_no.
    virtual bool ask([[maybe_unused]] Question question, [[maybe_unused]] std::string_view about,
                     std::string_view text) {
        return ask_yes_no(text);
    }
    // An OK box with the caption "Tarnvold".
    virtual void notice(std::string_view text) = 0;
    // A reason as a report of its own in the log, and in an OK box.  A
    // front end in another language tells them from the value; by default
    // their English text.
    virtual void log_reason(const Reason& reason) { log_line(reason_text(reason)); }
    virtual void notice_reason(const Reason& reason) { notice(reason_text(reason)); }
    // A file refused for `reason`: by default its box.
    virtual void refused(const Reason& reason) { notice_reason(reason); }

    // Range and step of a bar; its position is left alone.
    virtual void bar_setup(ProgressBarId bar, std::int64_t min, std::int64_t max, std::int64_t step) = 0;
    virtual void bar_set_position(ProgressBarId bar, std::int64_t position) = 0;
    // Advance the bar by its step.
    virtual void bar_step(ProgressBarId bar) = 0;
    // `count` steps of a bar, each followed by process_events(), as a
    // pass makes them when it crosses several step points at once.  A front
    // end that shows only where a bar stands may take them in one go.
    virtual void bar_steps(ProgressBarId bar, std::int64_t count) {
        for (; count > 0; --count) {
            bar_step(bar);
            process_events();
        }
    }

    virtual void label_set_caption(LabelId label, std::string_view caption) = 0;
    virtual void label_set_visible(LabelId label, bool visible) = 0;

    // Handle whatever input and painting is pending, then return.
    virtual void process_events() = 0;

    // Told first thing when an operation on one file begins, with the file
    // it works on.
    virtual void file_begins([[maybe_unused]] std::string_view source) {}

    // Convenience: one whole report of a text item and nothing else.
    void log_line(std::string_view text) {
        log_write(text);
        log_write_line();
    }
    void log_line(std::string_view text, std::string_view more) {
        log_write(text);
        log_write(more);
        log_write_line();
    }
    void log_line(std::string_view text, std::int64_t value) {
        log_write(text);
        log_write(value);
        log_write_line();
    }
};

}  // namespace tarnvold
