// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands and events: the menus' and buttons' handlers,
// the keys, drops and the title bar's close.
#include "ui/main_window.h"

#include "ui/about.h"
#include "ui/boxes.h"
#include "ui/config_dialog.h"
#include "ui/help_window.h"
#include "ui/qt_text.h"
#include "ui/shell_panes.h"

#include "config/message_id.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include <exception>

namespace tarnvold {

using ui::qs;
using ui::ss;

// ----------------------------------------------------------------- handlers

// No exception may leave a handler into the event loop: an input/output
// error is shown as the program shows every such error, anything else as
// its text.
template <class F>
void MainWindow::guarded(F&& f) {
    try {
        f();
    } catch (const IoError& error) {
        report_error(error);
    } catch (const std::exception& error) {
        ui::error_box(isVisible() ? this : nullptr, qs(with_full_stop(error.what())));
    }
    // The title bar's close came during a folder run and waited for its end.
    if (quit_after_run_ && !commands_.busy()) {
        quit_after_run_ = false;
        hide();
        end_program(0);
    }
}

void MainWindow::end_program(int code) {
    exit_code_ = code;
    if (on_exit) on_exit(code);
}

void MainWindow::about_clicked() {
    guarded([this] {
        log_line(message(msg::kAboutCalled));
        hide();
        if (about_box_ != nullptr) about_box_->show();
    });
}

void MainWindow::exit_clicked() {
    if (blocked_ || exit_code_) return;
    guarded([this] {
        if (!ask_yes_no(message(msg::kReallyQuit))) return;
        hide();
        language_.fill_english_table();
        try {
            language_.write_english_file();
        } catch (const IoError& error) {
            // Reported, and the program ends all the same: the user asked
            // to quit and the window is already gone.
            report_error(error);
        }
        end_program(0);
    });
}

void MainWindow::help_clicked() {
    if (blocked_ || !menu_enabled_ || !isVisible()) return;
    hide();
    if (help_window_ != nullptr) help_window_->show();
}

void MainWindow::configuration_clicked() {
    hide();
    if (config_dialog_ != nullptr) config_dialog_->show();
}

void MainWindow::code_file_clicked() {
    guarded([this] { commands_.code_file(); });
}
void MainWindow::decode_file_clicked() {
    guarded([this] { commands_.decode_file(); });
}
void MainWindow::code_object_clicked() {
    guarded([this] { commands_.code_object(); });
}
void MainWindow::decode_object_clicked() {
    guarded([this] { commands_.decode_object(); });
}
void MainWindow::code_folder_clicked() {
    guarded([this] { commands_.code_folder(); });
}
void MainWindow::decode_folder_clicked() {
    guarded([this] { commands_.decode_folder(); });
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_once_) return;
    shown_once_ = true;
    panes_->first_shown();
}

// Escape stops a running folder walk or file operation; the panes and buttons leave it to
// the window.
void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && commands_.stoppable()) {
        stop_clicked();
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

namespace {

// The local files and folders a drag carries.
QStringList dropped_paths(const QMimeData* data) {
    QStringList paths;
    if (data == nullptr || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) paths << QDir::cleanPath(url.toLocalFile());
    return paths;
}

}  // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!blocked_ && full_view_ && !dropped_paths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!blocked_ && full_view_ && !dropped_paths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

// A dropped file or folder is selected, as "tarnvold PATH" selects it, for
// the buttons to work on; nothing starts by itself.
void MainWindow::dropEvent(QDropEvent* event) {
    const QStringList paths = dropped_paths(event->mimeData());
    if (blocked_ || !full_view_ || paths.isEmpty()) return;
    event->acceptProposedAction();
    select_entry(paths.first());
    if (paths.size() > 1)
        log_line(ss(tr("%1 files or folders were dropped; the first is selected: %2")
                        .arg(paths.size())
                        .arg(QDir::toNativeSeparators(paths.first()))));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A command still runs or waits in a dialog: it must end first.
    if (blocked_) {
        event->ignore();
        // During a run the user may stop it and quit: a folder run once the
        // file in progress is done, a single file's at once.
        if (commands_.stoppable() && !quit_after_run_ &&
            ask_yes_no(ss(commands_.single_file()
                              ? tr("A file is being worked on. Stop it, leaving nothing of its output, and quit ?")
                              : tr("A folder run is in progress. Stop it after the current file and quit ?")))) {
            quit_after_run_ = true;
            commands_.request_stop(true);
        }
        return;
    }
    // Closing the window ends the program, with no question and no file.
    event->accept();
    end_program(0);
}

}  // namespace tarnvold
