// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up sequence of the main window and the two view styles.  Both
// work through StartupHost, which the main window implements with widgets
// and the tests with a recording fake, so the sequence runs without a screen.
#pragma once

#include "config/config_record.h"
#include "config/international.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnvold {

class IoError;

// Window sizes are outer sizes, frame included.
inline constexpr int kFullWidth = 855;
inline constexpr int kFullHeight = 441;
inline constexpr int kCompactWidth = 615;
inline constexpr int kCompactHeight = 411;

// What start-up and the view styles need from the main window.
class StartupHost {
public:
    virtual ~StartupHost() = default;

    virtual int screen_width() = 0;
    virtual int screen_height() = 0;
    // The main window's outer size and its placement.
    virtual int window_width() = 0;
    virtual int window_height() = 0;
    virtual void set_window_size(int width, int height) = 0;
    virtual void move_window(int left, int top) = 0;
    // Full view: the three buttons and the two shell panes shown; compact
    // view: those five hidden.  The three coding bars are shown in both.
    virtual void show_full_view(bool full) = 0;

    // The configuration dialog's language list.
    virtual void add_languages(const std::vector<std::string>& names) = 0;
    // Selects the first item equal to `name`; with none equal, no item.
    virtual void select_language(const std::string& name) = 0;

    // Prepares the log device and opens it for writing.
    virtual void open_log() = 0;
    virtual void clear_log() = 0;
    virtual void log_line(std::string_view text) = 0;
    virtual void set_batch_mode(bool on) = 0;

    // An OK box with the caption "Tarnvold" and no owner window.
    virtual void unowned_notice(std::string_view text) = 0;
    // Ends the program with `code` as soon as control returns to it; the
    // caller returns at once after asking.
    virtual void exit_program(int code) = 0;
    // The general error report: a box with the error icon.
    virtual void report_error(const IoError& error) = 0;
};

// (screen - window) / 2, truncated toward zero: a window wider than the
// screen gets a negative position.
int centred(int screen, int window);
// Places the main window in the middle of the screen by its outer size.
void centre_window(StartupHost& host);

// The language a record names: its lang_path without the leading "lang\"
// and the trailing ".tvl" (from the 6th character, stored length - 9
// long); empty when the path is 9 characters or shorter.
std::string configured_language(const config_record& record);

// Applies the view style of a valid record: the controls of the style, its
// size, then centring.  A record without a valid signature changes nothing.
void set_config(const config_record& record, StartupHost& host);

// The one-time start-up: English, the English language file, the language
// list, the configuration, the screen check, the log and the first line.
// An input/output error is reported and leaves a usable window with an open
// log; it does not propagate.
void Init_Tarnvold(Language& language, Configuration& configuration, StartupHost& host);

}  // namespace tarnvold
