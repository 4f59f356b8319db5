// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls: how they are made, laid out and captioned.
#include "ui/keyboard.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/shell_panes.h"
#include "ui/ui_common.h"

#include "config/message_id.h"
#include "tarnvold/version.h"

#include <QAction>
#include <QCoreApplication>
#include <QFrame>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTreeView>

namespace tarnvold {

using ui::qs;

namespace {

// The window's buttons are all of one size.
QPushButton* command_button(const char* name, const char* caption, QWidget* parent, int left, int top) {
    QPushButton* button = ui::make_button(name, caption, parent, QRect(left, top, 113, 25));
    // Enter presses the button that has the focus, as in the dialogs.
    button->setAutoDefault(true);
    return button;
}

}  // namespace

MainWindow::MainWindow(Language& language, Configuration& configuration)
    : language_(language),
      configuration_(configuration),
      log_device_([this](const std::string& line) { progress_->append_line(line); }),
      engine_(*this),
      commands_(engine_, *this, *this) {
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("Tarnvold ") + kProgramVersion);
    setFont(ui::window_font());
    on_exit = [](int code) { QCoreApplication::exit(code); };

    build_frames();
    build_menu();
    progress_ = new ProgressPanel(centralWidget(), progressFrame);
    panes_ = new ShellPanes(this, centralWidget());
    panes_->log_line = [this](const std::string& line) { log_line(line); };
    build_buttons();
    build_keys();
    setAcceptDrops(true);
    retranslate();

    setGeometry(154, 204, kFullWidth, kFullHeight);
    outer_size_ = QSize(kFullWidth, kFullHeight);
    outer_pos_ = QPoint(154, 204);
    fit_pending_ = true;

    language_.notice = [this](std::string_view text) { notice(text); };
    configuration_.notice = [this](std::string_view text) { notice(text); };
    configuration_.set_config = [this] { set_config(); };
    language_.add_caption_target(this);
}

MainWindow::~MainWindow() {
    language_.remove_caption_target(this);
    language_.notice = nullptr;
    configuration_.notice = nullptr;
    configuration_.set_config = nullptr;
}

// The raised frames of the log pane and of the progress panel.
void MainWindow::build_frames() {
    auto* client = new QWidget(this);
    client->setObjectName("client");
    setCentralWidget(client);
    logFrame = new QFrame(client);
    logFrame->setObjectName("Panel1");
    logFrame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    logFrame->setGeometry(0, 8, 297, 345);
    progressFrame = new QFrame(client);
    progressFrame->setObjectName("Panel2");
    progressFrame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    progressFrame->setGeometry(304, 8, 297, 345);
}

// The three buttons, and Stop, which takes the place of "Code object"
// during a run.
void MainWindow::build_buttons() {
    QWidget* client = centralWidget();
    codeObjectButton = command_button("Button1", "Code object", client, 320, 360);
    decodeObjectButton = command_button("Button2", "Decode object", client, 472, 360);
    exitButton = command_button("Button3", "Exit", client, 712, 360);
    connect(codeObjectButton, &QPushButton::clicked, this, &MainWindow::code_object_clicked);
    connect(decodeObjectButton, &QPushButton::clicked, this, &MainWindow::decode_object_clicked);
    connect(exitButton, &QPushButton::clicked, this, &MainWindow::exit_clicked);

    stopButton = command_button("StopButton", "Stop", client, 320, 360);
    stopButton->hide();
    connect(stopButton, &QPushButton::clicked, this, &MainWindow::stop_clicked);
}

// The order Tab goes through the controls and the keys of the whole window.
void MainWindow::build_keys() {
    QPlainTextEdit* log = progress_->log_pane();
    setTabOrder(log, panes_->file_list());
    setTabOrder(panes_->file_list(), panes_->folder_tree());
    setTabOrder(panes_->folder_tree(), codeObjectButton);
    setTabOrder(codeObjectButton, decodeObjectButton);
    setTabOrder(decodeObjectButton, exitButton);

    // F10 takes the menu bar, as Alt alone does; F1 is Help > Help.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] { ui::focus_menu_bar(mainMenu); });
    helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    helpAction->setShortcutContext(Qt::WindowShortcut);
    focus_mark_ = new ui::FocusMark(centralWidget(), {log, panes_->file_list(), panes_->folder_tree()});
}

void MainWindow::build_menu() {
    mainMenu = new QMenuBar(this);
    mainMenu->setObjectName("MainMenu1");
    setMenuBar(mainMenu);

    fileMenu = mainMenu->addMenu("File");
    fileMenu->setObjectName("File1");
    codeMenu = fileMenu->addMenu("Code");
    codeMenu->setObjectName("Code1");
    codeFileAction = codeMenu->addAction("File");
    codeFileAction->setObjectName("file2");
    codeFolderAction = codeMenu->addAction("Directory");
    codeFolderAction->setObjectName("Directory1");
    decodeMenu = fileMenu->addMenu("Decode");
    decodeMenu->setObjectName("Decode1");
    decodeFileAction = decodeMenu->addAction("File");
    decodeFileAction->setObjectName("File3");
    decodeFolderAction = decodeMenu->addAction("Directory");
    decodeFolderAction->setObjectName("Directory2");
    // An empty entry between the commands and Exit; it does nothing.
    fileMenu->addSeparator();
    exitAction = fileMenu->addAction("Exit");
    exitAction->setObjectName("Exit1");

    optionsMenu = mainMenu->addMenu("Options");
    optionsMenu->setObjectName("Options1");
    configurationAction = optionsMenu->addAction("Configuration");
    configurationAction->setObjectName("Configuration1");

    helpMenu = mainMenu->addMenu("Help");
    helpMenu->setObjectName("Help1");
    helpAction = helpMenu->addAction("Help");
    helpAction->setObjectName("Help2");
    aboutAction = helpMenu->addAction("About");
    aboutAction->setObjectName("About1");
    connect_menu();
}

void MainWindow::connect_menu() {
    connect(codeFileAction, &QAction::triggered, this, &MainWindow::code_file_clicked);
    connect(codeFolderAction, &QAction::triggered, this, &MainWindow::code_folder_clicked);
    connect(decodeFileAction, &QAction::triggered, this, &MainWindow::decode_file_clicked);
    connect(decodeFolderAction, &QAction::triggered, this, &MainWindow::decode_folder_clicked);
    connect(exitAction, &QAction::triggered, this, &MainWindow::exit_clicked);
    connect(configurationAction, &QAction::triggered, this, &MainWindow::configuration_clicked);
    connect(helpAction, &QAction::triggered, this, &MainWindow::help_clicked);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::about_clicked);
}

void MainWindow::set_stop_visible(bool visible) {
    // Where "Code object" is; the compact style has no buttons row, so the
    // foot of the progress panel, below the three bars.
    if (full_view_)
        stopButton->move(codeObjectButton->pos());
    else
        stopButton->move(progressFrame->x() + 8,
                         progressFrame->y() + progressFrame->height() - stopButton->height() - 8);
    stopButton->setEnabled(true);
    stopButton->setVisible(visible);
    stopButton->raise();
}

void MainWindow::stop_clicked() {
    if (!commands_.stoppable()) return;
    commands_.request_stop();
    stopButton->setEnabled(false);  // asked once; a walk ends after the file in progress
}

QString MainWindow::listed_folder() const { return panes_->listed_folder(); }
void MainWindow::show_folder(const QString& path) { panes_->show_folder(path); }
void MainWindow::open_path(const QString& path) { panes_->open_path(path); }
void MainWindow::select_entry(const QString& path) { panes_->select_entry(path); }

void MainWindow::attach(PasswordDialog* password, AboutBox* about, FolderChooser* chooser, ConfigDialog* config,
                        HelpWindow* help) {
    password_dialog_ = password;
    about_box_ = about;
    folder_chooser_ = chooser;
    config_dialog_ = config;
    help_window_ = help;
}

// ---------------------------------------------------------------- captions

void MainWindow::apply_captions(const LangTable& table) {
    auto text = [&table](int n) { return qs(table_entry(table, n)); };
    // Top-level entry i gets message i.
    const auto top = mainMenu->actions();
    for (qsizetype i = 0; i < top.size() && i < kMessageCount; ++i) top[i]->setText(text(static_cast<int>(i + 1)));
    // The entries of the submenus, by their position.
    auto set_at = [](QMenu* menu, int position, const QString& caption) {
        const auto actions = menu->actions();
        if (position < actions.size()) actions[position]->setText(caption);
    };
    set_at(fileMenu, 0, text(msg::kCode));
    set_at(fileMenu, 1, text(msg::kDecode));
    set_at(fileMenu, 3, text(msg::kExit));
    set_at(optionsMenu, 0, text(msg::kConfiguration));
    set_at(helpMenu, 0, text(msg::kHelp));
    set_at(helpMenu, 1, text(msg::kAbout));
    set_at(codeMenu, 0, text(msg::kFile));
    set_at(codeMenu, 1, text(msg::kDirectory));
    set_at(decodeMenu, 0, text(msg::kFile));
    set_at(decodeMenu, 1, text(msg::kDirectory));
    codeObjectButton->setText(text(msg::kCodeObject));
    decodeObjectButton->setText(text(msg::kDecodeObject));
    exitButton->setText(text(msg::kExit));
    progress_->set_folder_caption(text(msg::kFolderProgress));
    ui::assign_mnemonics(mainMenu);
    retranslate();
}

// The texts of the window beyond the message table.
void MainWindow::retranslate() {
    stopButton->setText(tr("Stop"));
    progress_->retranslate();
    panes_->retranslate();
}

}  // namespace tarnvold
