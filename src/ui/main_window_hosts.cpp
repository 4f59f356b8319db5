// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the commands' host (their dialogs, the chosen entry,
// what may be pressed during a run) and as the start-up sequence's window.
#include "ui/boxes.h"
#include "ui/config_dialog.h"
#include "ui/folder_chooser.h"
#include "ui/main_window.h"
#include "ui/password_dialog.h"
#include "ui/qt_text.h"
#include "ui/shell_panes.h"

#include "batch/folder_walk.h"
#include "io/paths.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <memory>
#include <utility>

namespace tarnvold {

using ui::qs;
using ui::ss;

// ------------------------------------------------------------ command host

bool MainWindow::open_dialog(std::string& path) {
    catch_up();
    if (!ui::open_file_dialog(this, last_open_)) return false;
    path = ui::native_path(last_open_);
    return true;
}

bool MainWindow::save_dialog(Operation op, const std::string& source, std::string& path) {
    catch_up();
    // Beside the source, under the name a folder run would give it.
    if (!source.empty()) {
        const std::string name = last_name(source);
        last_save_ =
            qs(entry_path(parent_folder(source), op == Operation::Code ? coded_name(name) : decoded_name(name)));
    }
    if (!ui::save_file_dialog(this, last_save_)) return false;
    path = ui::native_path(last_save_);
    return true;
}

// The password's bytes are those its letters had where coded files come
// from: the system's code page on Windows, as programs of 8 bits typed
// them there, which coding then requires; elsewhere the code page of the
// language's users on Windows when it holds every letter, UTF-8 otherwise.
// Decoding tries the other forms too.
bool MainWindow::password_dialog(Operation op, std::string& password) {
    catch_up();
    const bool coding = op == Operation::Code;
    const int system = system_code_page();
    std::string typed;
    // Coding asks twice: a mistyped password would make files nobody can
    // decode.
    if (password_dialog_ == nullptr || !password_dialog_->execute(typed, coding, coding ? system : 0)) return false;
    PasswordForms& forms = engine_.password_forms;
    forms = {.given = kUtf8, .try_others = true, .preferred = {language_.code_page()}};
    if (system != 0) forms.preferred.push_back(system);
    const int first = system != 0 ? system : language_.code_page();
    if (auto bytes = encode_text(typed, first)) {
        forms.given = first;
        typed = *std::move(bytes);
    }
    password = std::move(typed);
    return true;
}

bool MainWindow::folder_dialog(FolderQuestion, const std::string& title, std::string& dest_dir) {
    catch_up();
    if (folder_chooser_ == nullptr || !folder_chooser_->execute(title)) return false;
    dest_dir = folder_chooser_->dest_dir;
    return true;
}

Selection MainWindow::selection() { return panes_->selection(); }

void MainWindow::set_menu_enabled(bool enabled) {
    menu_enabled_ = enabled;
    update_enabled();
}

void MainWindow::set_buttons_visible(bool visible) {
    codeObjectButton->setVisible(visible);
    decodeObjectButton->setVisible(visible);
    exitButton->setVisible(visible);
}

void MainWindow::set_commands_blocked(bool blocked) {
    blocked_ = blocked;
    progress_->set_deferred(blocked);
    frame_.make_due();
    catch_up();
    update_enabled();
}

// The menus follow the commands' lock and the busy state together; the
// buttons only the busy state (the commands hide them when they want).
void MainWindow::update_enabled() {
    const bool menus = menu_enabled_ && !blocked_;
    for (QAction* top : mainMenu->actions()) top->setEnabled(menus);
    codeObjectButton->setEnabled(!blocked_);
    decodeObjectButton->setEnabled(!blocked_);
    exitButton->setEnabled(!blocked_);
}

// ----------------------------------------------------------------- start-up

int MainWindow::screen_width() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s != nullptr ? s->geometry().width() : 0;
}

int MainWindow::screen_height() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s != nullptr ? s->geometry().height() : 0;
}

int MainWindow::window_width() { return frameGeometry().width(); }
int MainWindow::window_height() { return frameGeometry().height(); }

void MainWindow::set_window_size(int width, int height) {
    // Sizes are outer sizes; the frame, when the window has one, is taken off.
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(width - frame.width(), height - frame.height());
    outer_size_ = QSize(width, height);
    fit_pending_ = true;
}

void MainWindow::move_window(int left, int top) {
    move(left, top);
    outer_pos_ = QPoint(left, top);
}

// The window manager adds its frame only once the window is shown; the size
// and place asked for before are then made the frame's, as they were meant.
void MainWindow::fit_to_frame() {
    if (!fit_pending_ || !isVisible() || windowHandle() == nullptr) return;
    const QMargins m = windowHandle()->frameMargins();
    if (m.isNull()) return;
    fit_pending_ = false;
    resize(outer_size_ - QSize(m.left() + m.right(), m.top() + m.bottom()));
    move(outer_pos_);
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    switch (event->type()) {
    case QEvent::Show:
        fit_to_frame();
        // A window made before it is shown (as the owner of a start-up box)
        // may be framed without a move or resize of its own to tell: look
        // again for a while, long enough for a busy window manager.
        if (fit_pending_) {
            auto tries = std::make_shared<int>(0);
            auto* timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, [this, timer, tries] {
                fit_to_frame();
                if (!fit_pending_ || ++*tries >= 1000 || !isVisible()) timer->deleteLater();
            });
            timer->start(10);
        }
        break;
    case QEvent::Move:
    case QEvent::Resize: fit_to_frame(); break;
    default: break;
    }
    return handled;
}

void MainWindow::show_full_view(bool full) {
    full_view_ = full;
    codeObjectButton->setVisible(full);
    decodeObjectButton->setVisible(full);
    exitButton->setVisible(full);
    panes_->set_visible(full);
    progress_->show_file_bars();
}

void MainWindow::add_languages(const std::vector<std::string>& names) {
    if (config_dialog_ != nullptr) config_dialog_->add_languages(names);
}

void MainWindow::select_language(const std::string& name) {
    if (config_dialog_ != nullptr) config_dialog_->select_language(name);
}

void MainWindow::open_log() {
    log_device_.prepare();
    log_device_.open_for_writing();
}

void MainWindow::clear_log() { progress_->clear_log(); }

void MainWindow::exit_program(int code) { exit_code_ = code; }

void MainWindow::start_up() { tarnvold::Init_Tarnvold(language_, configuration_, *this); }

void MainWindow::set_config() { tarnvold::set_config(configuration_.record, *this); }

}  // namespace tarnvold
