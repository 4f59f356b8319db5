// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the engine's user interface: the log pane, the bars and
// the labels, brought up to date once a frame while a command runs.
#include "ui/about.h"
#include "ui/boxes.h"
#include "ui/config_dialog.h"
#include "ui/folder_chooser.h"
#include "ui/help_window.h"
#include "ui/keyboard.h"
#include "ui/main_window.h"
#include "ui/password_dialog.h"
#include "ui/qt_text.h"
#include "ui/report_text.h"
#include "ui/shell_model.h"
#include "ui/ui_common.h"

#include "batch/folder_walk.h"
#include "config/message_id.h"
#include "io/file_io.h"
#include "io/paths.h"
#include "tarnvold/version.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <exception>
#include <memory>
#include <utility>

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

void MainWindow::log_write(std::string_view text) {
    if (const auto translated = ui::translated_report(text)) return log_device_.write(visible_controls(*translated));
    log_device_.write(visible_controls(text));
}
void MainWindow::log_write(std::int64_t value) { log_device_.write(value); }
void MainWindow::log_write_line() { log_device_.write_line(); }

// The lines wait as the text that the pane will take in one insertion: the
// pane fetches the formats once and starts a new paragraph at each
// separator, as a new block would.  The paragraph separator, unlike a line
// feed, never pairs with a carriage return that ends a line before it.
void MainWindow::append_log_line(const std::string& line) {
    if (log_has_lines_) pending_text_ += QChar::ParagraphSeparator;
    ui::append_qs(pending_text_, line);
    log_has_lines_ = true;
    lines_pending_ = true;
    if (!blocked_) catch_up();
}

// Lines arriving during a command reach the pane together, once a frame, in
// one edit: the pane then lays out only the lines it shows.
void MainWindow::show_lines() {
    if (!lines_pending_) return;
    // Log lines are not the user's typing: they are kept out of the undo
    // history, which would otherwise hold every line of a long run again.
    QTextDocument* document = logPane->document();
    document->setUndoRedoEnabled(false);
    const QString text = std::exchange(pending_text_, QString());
    lines_pending_ = false;
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    document->setUndoRedoEnabled(true);
    // The newest line is in view at once.
    logPane->verticalScrollBar()->setValue(logPane->verticalScrollBar()->maximum());
}

// A box waits for the user: the window shows where the work stands.
bool MainWindow::ask_yes_no(std::string_view text) {
    catch_up();
    call_attention();
    if (const auto translated = ui::translated_report(text)) return ui::ask_yes_no(this, qs(*translated));
    return ui::ask_yes_no(this, qs(text));
}

void MainWindow::notice(std::string_view text) {
    catch_up();
    call_attention();
    if (const auto translated = ui::translated_report(text)) return ui::notice(this, qs(*translated));
    ui::notice(this, qs(text));
}

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

inline MainWindow::Bar& MainWindow::bar(ProgressBarId id) {
    const int n = std::clamp(static_cast<int>(id), 1, 4);
    return bars_[static_cast<std::size_t>(n - 1)];
}

const MainWindow::BarState& MainWindow::bar_state(ProgressBarId id) const {
    return const_cast<MainWindow*>(this)->bar(id).state;
}

// A widget repaints itself at once whenever its bar moves by a few pixels;
// with hundreds of steps per small file that painting, and laying out every
// log line, would be most of a folder run.  So while a command runs, the
// widgets catch up with the bars, labels and log once a frame, when the
// window handles its messages, before every box and dialog, and at the
// command's end.
inline void MainWindow::render(Bar& b) {
    BarState& s = b.state;
    s.position = std::clamp(s.position, s.min, std::max(s.min, s.max));
    b.dirty = true;
    if (!blocked_) catch_up();
}

// The widgets show the bars, the labels and the log as they are now.
void MainWindow::catch_up() {
    show_lines();
    show_bars();
    show_labels();
}

void MainWindow::show_bars() {
    for (Bar& b : bars_) {
        if (!b.dirty) continue;
        b.dirty = false;
        draw(b);
    }
}

// The widget counts in int; the largest coded files go past INT_MAX, so a
// range that does not fit is shown scaled down by a power of two.
void MainWindow::draw(Bar& b) {
    const BarState& s = b.state;
    const std::int64_t range = s.max > s.min ? s.max - s.min : 0;
    int shift = 0;
    while ((range >> shift) > INT_MAX) ++shift;
    // The widget would paint itself at once, and show that on the screen,
    // for every change of a few pixels; it is painted with the rest of the
    // window instead, when the window next handles its messages.
    QProgressBar* widget = b.widget;
    widget->setUpdatesEnabled(false);
    // An empty range would turn the widget into a busy indicator.
    widget->setRange(0, std::max(1, static_cast<int>(range >> shift)));
    widget->setValue(static_cast<int>((s.position - s.min) >> shift));
    widget->setUpdatesEnabled(true);
}

void MainWindow::bar_setup(ProgressBarId id, std::int64_t min, std::int64_t max, std::int64_t step) {
    Bar& b = bar(id);
    b.state.min = min;
    b.state.max = max;
    b.state.step = step;
    render(b);
}

void MainWindow::bar_set_position(ProgressBarId id, std::int64_t position) {
    Bar& b = bar(id);
    b.state.position = position;
    render(b);
}

// The most frequent call of a folder run, hundreds of times a file.  A step
// forward from a position inside the range stays inside it; only a step
// backward needs the clamp of render().
void MainWindow::bar_step(ProgressBarId id) {
    Bar& b = bar(id);
    BarState& s = b.state;
    const std::int64_t position = s.position;
    // Past the maximum the bar starts over from its minimum.
    s.position = s.step > s.max - position ? s.min : position + s.step;
    if (s.step < 0) {
        render(b);
        return;
    }
    b.dirty = true;
    if (!blocked_) catch_up();
}

// The steps a pass crosses at once.  The positions in between are never
// shown (the window paints once a frame), so the bar goes straight to where
// the steps end, starting over from its minimum where they would.
void MainWindow::bar_steps(ProgressBarId id, std::int64_t count) {
    BarState& s = bar(id).state;
    if (s.step <= 0) return UserInterface::bar_steps(id, count);
    while (count > 0) {
        // Steps that fit before the bar would start over.
        const std::int64_t room = s.position <= s.max ? (s.max - s.position) / s.step : 0;
        const std::int64_t n = std::min(count, room);
        s.position += n * s.step;
        count -= n;
        if (count > 0) {
            s.position = s.min;
            --count;
        }
    }
    Bar& b = bar(id);
    b.dirty = true;
    if (!blocked_) catch_up();
    process_events();
}

QLabel* MainWindow::label(LabelId id) {
    switch (id) {
    case LabelId::Folder: return folderLabel;
    case LabelId::Checksum: return checksumLabel;
    case LabelId::Pass1: return firstPassLabel;
    case LabelId::Pass2: return secondPassLabel;
    }
    return folderLabel;
}

// The per-file labels get the same caption for every file: while the label
// still shows the caption set last, there is nothing to convert or lay out.
void MainWindow::label_set_caption(LabelId id, std::string_view caption) {
    QLabel* l = label(id);
    Caption& last = captions_[static_cast<std::size_t>(id) - 1];
    if (last.bytes == caption && l->text() == last.text) return;
    last.bytes.assign(caption);
    last.text = qs(caption);
    l->setText(last.text);
    l->adjustSize();
}

// Showing or hiding a widget asks the window system where the mouse is;
// during a command the labels, too, follow once a frame.
void MainWindow::label_set_visible(LabelId id, bool visible) {
    label_visible_[static_cast<std::size_t>(id) - 1] = visible;
    if (!blocked_) catch_up();
}

void MainWindow::show_labels() {
    for (const LabelId id : {LabelId::Folder, LabelId::Checksum, LabelId::Pass1, LabelId::Pass2}) {
        std::optional<bool>& visible = label_visible_[static_cast<std::size_t>(id) - 1];
        if (!visible) continue;
        label(id)->setVisible(*visible);
        // The folder progress is its label and its bar together.
        if (id == LabelId::Folder) folderBar->setVisible(*visible);
        visible.reset();
    }
}

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
