// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the engine's user interface: log lines, questions and
// notices, and the progress panel's bars and labels, shown once a frame
// while a command runs.
#include "ui/boxes.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/report_text.h"

#include <QApplication>
#include <QCoreApplication>

#include <algorithm>
#include <string>

namespace tarnvold {

using ui::qs;
using ui::ss;

// --------------------------------------------------------- user interface

std::string MainWindow::message(int n) { return language_.message(n); }

namespace {

// A control character in a report (a file name may hold one) shows as its
// picture (U+2400 to U+241F, U+2421 for DEL): never as a line break, and
// never as nothing, which would show a name that does not exist.
std::string visible_controls(std::string_view text) {
    const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; };
    if (std::none_of(text.begin(), text.end(), control)) return std::string(text);
    std::string out;
    for (const char c : text) {
        if (!control(c)) {
            out += c;
            continue;
        }
        const unsigned picture = c == 0x7F ? 0x2421 : 0x2400 + static_cast<unsigned char>(c);
        out += static_cast<char>(0xE0 | (picture >> 12));
        out += static_cast<char>(0x80 | ((picture >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (picture & 0x3F));
    }
    return out;
}

}  // namespace

void MainWindow::log_write(std::string_view text) { log_device_.write(visible_controls(text)); }
void MainWindow::log_write(std::int64_t value) { log_device_.write(value); }
void MainWindow::log_write_line() { log_device_.write_line(); }

// A box waits for the user: the window shows where the work stands.
bool MainWindow::ask_yes_no(std::string_view text) {
    catch_up();
    call_attention();
    return ui::ask_yes_no(this, qs(text));
}

void MainWindow::notice(std::string_view text) {
    catch_up();
    call_attention();
    ui::notice(this, qs(text));
}

// The reasons and reports beyond the message table, in the user's language.
void MainWindow::log_reason(const Reason& reason) { log_line(ui::report_text(reason)); }
void MainWindow::notice_reason(const Reason& reason) { notice(ui::report_text(reason)); }

// A box that comes while the user works in another window (the end of a
// long run, a question in the middle of one) asks for attention.
void MainWindow::call_attention() {
    if (isVisible() && !isActiveWindow()) QApplication::alert(this);
}

void MainWindow::unowned_notice(std::string_view text) { ui::notice(nullptr, qs(text)); }

void MainWindow::report_error(const IoError& error) {
    catch_up();
    // While the main window is hidden the box has no owner to sit on.
    ui::error_box(isVisible() ? this : nullptr, qs(error.what()));
}

void MainWindow::catch_up() { progress_->catch_up(); }

void MainWindow::bar_setup(ProgressBarId id, std::int64_t min, std::int64_t max, std::int64_t step) {
    progress_->bar_setup(id, min, max, step);
}

void MainWindow::bar_set_position(ProgressBarId id, std::int64_t position) {
    progress_->bar_set_position(id, position);
}

void MainWindow::bar_step(ProgressBarId id) { progress_->bar_step(id); }

void MainWindow::bar_steps(ProgressBarId id, std::int64_t count) {
    if (!progress_->bar_steps(id, count)) return UserInterface::bar_steps(id, count);
    process_events();
}

void MainWindow::label_set_caption(LabelId id, std::string_view caption) { progress_->label_set_caption(id, caption); }

void MainWindow::label_set_visible(LabelId id, bool visible) { progress_->label_set_visible(id, visible); }

// Handling the window's input and painting costs far more than a progress
// step, and a small file makes hundreds of steps: the steps of one frame
// share one such pass.  The first request of a command is always served, and
// the end of a command returns to the event loop, which paints the rest.
// Between passes a request only reads the frame flag.
void MainWindow::process_events() {
    if (frame_.due()) pump();
}

void MainWindow::pump() {
    catch_up();
    QCoreApplication::processEvents();
    frame_.restart();
}

}  // namespace tarnvold
