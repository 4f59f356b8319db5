// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the progress panel (log pane and bars), the shell panes,
// the three command buttons and the menus.  It is the engine's user
// interface, the coding commands' host, and the start-up sequence's window.
#pragma once

#include "ui/frame_ticker.h"
#include "ui/progress_panel.h"

#include "batch/command_host.h"
#include "batch/commands.h"
#include "config/config_record.h"
#include "config/international.h"
#include "config/startup.h"
#include "engine/engine.h"
#include "engine/operation.h"
#include "engine/user_interface.h"
#include "io/log_device.h"

#include <QMainWindow>
#include <QPoint>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QFrame;
class QMenu;
class QMenuBar;
class QPushButton;

namespace tarnvold {

class AboutBox;
class HelpWindow;
class PasswordDialog;
class ShellPanes;
namespace ui {
class FocusMark;
}  // namespace ui
class ConfigDialog;
class FolderChooser;

class MainWindow : public QMainWindow,
                   public UserInterface,
                   public CommandHost,
                   public CaptionTarget,
                   public StartupHost {
    Q_OBJECT
public:
    MainWindow(Language& language, Configuration& configuration);
    ~MainWindow() override;

    // The other windows, handed over as the program creates them.
    void attach(PasswordDialog* password, AboutBox* about, FolderChooser* chooser, ConfigDialog* config,
                HelpWindow* help);

    Engine& engine() { return engine_; }
    Commands& commands() { return commands_; }

    // Set once the program is to end (start-up refused the screen, Exit, or
    // the title bar's close), with the exit code.
    std::optional<int> exit_code() const { return exit_code_; }
    // What ending the program does once the code is set; by default it
    // leaves the event loop.
    std::function<void(int)> on_exit;

    static constexpr int kLogPaneLines = ProgressPanel::kLogPaneLines;

    // True while a command runs or waits in one of its dialogs.
    bool commands_blocked() const { return blocked_; }

    // UserInterface
    std::string message(int n) override;
    void log_write(std::string_view text) override;
    void log_write(std::int64_t value) override;
    void log_write_line() override;
    bool ask_yes_no(std::string_view text) override;
    void notice(std::string_view text) override;
    void log_reason(const Reason& reason) override;
    void notice_reason(const Reason& reason) override;
    void bar_setup(ProgressBarId bar, std::int64_t min, std::int64_t max, std::int64_t step) override;
    void bar_set_position(ProgressBarId bar, std::int64_t position) override;
    void bar_step(ProgressBarId bar) override;
    void bar_steps(ProgressBarId bar, std::int64_t count) override;
    void label_set_caption(LabelId label, std::string_view caption) override;
    void label_set_visible(LabelId label, bool visible) override;
    void process_events() override;

    // CommandHost
    bool open_dialog(std::string& path) override;
    bool save_dialog(Operation op, const std::string& source, std::string& path) override;
    bool password_dialog(Operation op, std::string& password) override;
    bool folder_dialog(FolderQuestion question, const std::string& title, std::string& dest_dir) override;
    Selection selection() override;
    void set_menu_enabled(bool enabled) override;
    void set_buttons_visible(bool visible) override;
    void set_stop_visible(bool visible) override;
    void set_commands_blocked(bool blocked) override;
    void report_error(const IoError& error) override;

    // CaptionTarget
    void apply_captions(const LangTable& table) override;

    // StartupHost
    int screen_width() override;
    int screen_height() override;
    int window_width() override;
    int window_height() override;
    void set_window_size(int width, int height) override;
    void move_window(int left, int top) override;
    void show_full_view(bool full) override;
    void add_languages(const std::vector<std::string>& names) override;
    void select_language(const std::string& name) override;
    void open_log() override;
    void clear_log() override;
    void log_line(std::string_view text) override { UserInterface::log_line(text); }
    void set_batch_mode(bool on) override { engine_.batch_mode = on; }
    void unowned_notice(std::string_view text) override;
    void exit_program(int code) override;

    // A bar's position and range as the program set them, before any
    // scaling to the widget.
    const ProgressPanel::BarState& bar_state(ProgressBarId bar) const { return progress_->bar_state(bar); }

    // The folder whose contents the file list shows.
    QString listed_folder() const;
    // Selects a folder in the tree, which lists it.
    void show_folder(const QString& path);
    // A folder: the tree on it.  A file: the tree on its folder and the
    // file selected in the list.
    void open_path(const QString& path);
    // A file or folder: the tree on its folder and the entry selected in
    // the list, as the object of the buttons.
    void select_entry(const QString& path);

public slots:
    void about_clicked();
    void exit_clicked();
    void help_clicked();
    void code_file_clicked();
    void decode_file_clicked();
    void code_object_clicked();
    void decode_object_clicked();
    void set_config();
    void configuration_clicked();
    void code_folder_clicked();
    void decode_folder_clicked();
    void start_up();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The components, in the order the window declares them.
    QFrame* logFrame;
    QFrame* progressFrame;
    QMenuBar* mainMenu;
    QMenu* fileMenu;
    QMenu* codeMenu;
    QMenu* decodeMenu;
    QAction* exitAction;
    QMenu* helpMenu;
    QAction* helpAction;
    QAction* aboutAction;
    // The log pane and the bars with their labels.
    ProgressPanel* progress_;
    // The file list and the folder tree.
    ShellPanes* panes_;
    QPushButton* codeObjectButton;
    QPushButton* decodeObjectButton;
    QPushButton* exitButton;
    QMenu* optionsMenu;
    QAction* configurationAction;
    QAction* codeFileAction;
    QAction* codeFolderAction;
    QAction* decodeFileAction;
    QAction* decodeFolderAction;
    // Shown while a folder walk or a single file's operation runs, over
    // "Code object" (in the compact style, at the foot of the progress
    // panel); Escape does the same.
    QPushButton* stopButton;

    void fit_to_frame();
    template <class F>
    void guarded(F&& f);
    void end_program(int code);
    void update_enabled();
    void catch_up();
    void pump();
    void build_frames();
    void build_menu();
    void connect_menu();
    void build_buttons();
    void build_keys();
    void stop_clicked();
    void call_attention();
    void retranslate();

    Language& language_;
    Configuration& configuration_;
    LogDevice log_device_;
    Engine engine_;
    Commands commands_;

    PasswordDialog* password_dialog_ = nullptr;
    AboutBox* about_box_ = nullptr;
    FolderChooser* folder_chooser_ = nullptr;
    ConfigDialog* config_dialog_ = nullptr;
    HelpWindow* help_window_ = nullptr;

    QString last_open_;  // the open dialog's file name, chosen last
    QString last_save_;  // the save dialog's file name, chosen last
    bool shown_once_ = false;
    bool menu_enabled_ = true;
    bool blocked_ = false;
    QSize outer_size_;  // the outer size and place asked for last
    QPoint outer_pos_;
    bool fit_pending_ = false;
    std::optional<int> exit_code_;
    bool full_view_ = true;
    bool quit_after_run_ = false;  // the title bar's close asked to stop the run and quit
    // The command that runs: coding or decoding, and its source file once
    // known (for the name the save dialog suggests).
    ui::FocusMark* focus_mark_ = nullptr;
    // Pending window messages are handled at most once a frame.
    ui::FrameTicker frame_{std::chrono::milliseconds(16)};
};

}  // namespace tarnvold
