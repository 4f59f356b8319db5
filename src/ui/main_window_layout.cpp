// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls: how they are made, laid out and captioned.
#include "ui/about.h"
#include "ui/boxes.h"
#include "ui/config_dialog.h"
#include "ui/folder_chooser.h"
#include "ui/folder_list.h"
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
#include "io/shell_entries.h"
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

namespace {

QProgressBar* make_bar(const char* name, QWidget* parent, int left, int top, int width, int height) {
    auto* b = new QProgressBar(parent);
    b->setObjectName(name);
    b->setGeometry(left, top, width, height);
    b->setRange(0, 100);
    b->setValue(0);
    b->setTextVisible(false);
    return b;
}

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
      log_device_([this](const std::string& line) { append_log_line(line); }),
      engine_(*this),
      commands_(engine_, *this, *this) {
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("Tarnvold ") + kProgramVersion);
    setFont(ui::window_font());
    on_exit = [](int code) { QCoreApplication::exit(code); };

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

    build_menu();
    build_progress_panel();
    build_panes();

    codeObjectButton = command_button("Button1", "Code object", client, 320, 360);
    decodeObjectButton = command_button("Button2", "Decode object", client, 472, 360);
    exitButton = command_button("Button3", "Exit", client, 712, 360);
    folderBar = make_bar("ProgressBar4", client, 0, 376, 297, 9);
    folderBar->hide();
    folderLabel = ui::make_label("Label1", "Folder progress", client, 8, 360);
    folderLabel->hide();

    build_stop();

    bars_[0].widget = checksumBar;
    bars_[1].widget = firstPassBar;
    bars_[2].widget = secondPassBar;
    bars_[3].widget = folderBar;

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

// The log pane, and the progress panel's bars with their labels.
void MainWindow::build_progress_panel() {
    QWidget* client = centralWidget();
    logPane = new QPlainTextEdit(client);
    logPane->setObjectName("Memo1");
    logPane->setGeometry(8, 24, 273, 313);
    logPane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    logPane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    logPane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The pane stays editable, but Tab moves on to the next control.
    logPane->setTabChangesFocus(true);
    logPane->setMaximumBlockCount(kLogPaneLines);
    // A file dropped on the pane selects it, as anywhere on the window; it
    // does not become text of the log.
    logPane->setAcceptDrops(false);

    checksumBar = make_bar("ProgressBar1", progressFrame, 8, 24, 281, 17);
    firstPassBar = make_bar("ProgressBar2", progressFrame, 8, 88, 281, 17);
    checksumLabel = ui::make_label("Label3", "Label1", progressFrame, 16, 8);
    firstPassLabel = ui::make_label("Label4", "Label2", progressFrame, 16, 72);
    secondPassBar = make_bar("ProgressBar3", progressFrame, 8, 144, 281, 17);
    secondPassLabel = ui::make_label("Label5", "Label2", progressFrame, 16, 128);
    checksumLabel->hide();
    firstPassLabel->hide();
    secondPassLabel->hide();
}

// The order Tab goes through the controls, the buttons' handlers and the
// keys of the whole window.
void MainWindow::build_keys() {
    QWidget* client = centralWidget();
    setTabOrder(logPane, fileList);
    setTabOrder(fileList, folderTree);
    setTabOrder(folderTree, codeObjectButton);
    setTabOrder(codeObjectButton, decodeObjectButton);
    setTabOrder(decodeObjectButton, exitButton);

    connect(codeObjectButton, &QPushButton::clicked, this, &MainWindow::code_object_clicked);
    connect(decodeObjectButton, &QPushButton::clicked, this, &MainWindow::decode_object_clicked);
    connect(exitButton, &QPushButton::clicked, this, &MainWindow::exit_clicked);

    // F10 takes the menu bar, as Alt alone does; F1 is Help > Help.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] { ui::focus_menu_bar(mainMenu); });
    helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    helpAction->setShortcutContext(Qt::WindowShortcut);
    focus_mark_ = new ui::FocusMark(client, {logPane, fileList, folderTree});
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

    connect(codeFileAction, &QAction::triggered, this, &MainWindow::code_file_clicked);
    connect(codeFolderAction, &QAction::triggered, this, &MainWindow::code_folder_clicked);
    connect(decodeFileAction, &QAction::triggered, this, &MainWindow::decode_file_clicked);
    connect(decodeFolderAction, &QAction::triggered, this, &MainWindow::decode_folder_clicked);
    connect(exitAction, &QAction::triggered, this, &MainWindow::exit_clicked);
    connect(configurationAction, &QAction::triggered, this, &MainWindow::configuration_clicked);
    connect(helpAction, &QAction::triggered, this, &MainWindow::help_clicked);
    connect(aboutAction, &QAction::triggered, this, &MainWindow::about_clicked);
}

void MainWindow::build_file_list() {
    QWidget* client = centralWidget();

    // The file list: folders and files of the folder chosen in the tree,
    // sorted, names editable in place (which renames).
    list_model_ = new ui::FolderListModel(this);
    list_model_->refused = [this](const QString& why) { ui::notice(this, why); };
    // Before the view's own handler, which moves the selection to a
    // neighbour of a removed entry.
    connect(list_model_, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { removing_rows_ = true; });
    connect(list_model_, &QAbstractItemModel::rowsRemoved, this, [this] { chosen_entry_removed(); });
    fileList = new QListView(client);
    fileList->setObjectName("ShellListView1");
    fileList->setGeometry(312, 176, 281, 169);
    fileList->setModel(list_model_);
    fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    fileList->setIconSize(QSize(16, 16));
    // Rows of one height: a folder of many entries is laid out without
    // measuring each.
    fileList->setUniformItemSizes(true);
    fileList->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    // The selection stays visible when the list loses the focus.
    QPalette palette = fileList->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    fileList->setPalette(palette);
    connect(list_model_, &ui::FolderListModel::directoryLoaded, this, [this](const QString& path) {
        if (path != listed_path_) return;
        show_listed();
        // The entry asked for before the folder was read.
        if (pending_entry_.isEmpty()) return;
        const QModelIndex index = list_model_->index(std::exchange(pending_entry_, QString()));
        if (!index.isValid()) return;
        fileList->setCurrentIndex(index);
        fileList->scrollTo(index);
    });
    list_shown_at_latest_.setSingleShot(true);
    connect(&list_shown_at_latest_, &QTimer::timeout, this, [this] { show_listed(); });
    unreadableNote = new QLabel(fileList->viewport());
    unreadableNote->setObjectName("Unreadable");
    unreadableNote->setTextFormat(Qt::PlainText);
    unreadableNote->setWordWrap(true);
    unreadableNote->setAlignment(Qt::AlignCenter);
    unreadableNote->hide();
    // The entry the user chose is the object of the buttons; the view may
    // move the selection by itself when entries go, and that is no choice.
    connect(fileList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (removing_rows_) return;
        const QModelIndexList selected = fileList->selectionModel()->selectedIndexes();
        chosen_ = selected.isEmpty() ? QPersistentModelIndex() : QPersistentModelIndex(selected.first());
        has_chosen_ = chosen_.isValid();
    });
}

void MainWindow::build_folder_tree() {
    QWidget* client = centralWidget();

    // The folder tree of the whole file system.
    // The tree moves its current folder to a neighbour of one removed from
    // outside; the window goes to the nearest folder left above it instead.
    const ui::FolderTree tree = ui::make_folder_tree(client, [this](ui::ShellModel* model) {
        connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                [this, model](const QModelIndex& parent, int first, int last) {
                    tree_removing_ = true;
                    for (int row = first; row <= last && gone_folder_.isEmpty(); ++row) {
                        const QString path = model->filePath(model->index(row, 0, parent));
                        if (listed_path_ == path || listed_path_.startsWith(path + "/")) gone_folder_ = listed_path_;
                    }
                });
        connect(model, &QAbstractItemModel::rowsRemoved, this, [this] {
            tree_removing_ = false;
            if (gone_folder_.isEmpty()) return;
            const QString gone = std::exchange(gone_folder_, QString());
            QString left = gone;
            while (!QFileInfo(left).isDir()) {
                const QString up = qs(parent_folder(ss(left)));
                if (up == left) break;  // a root, even a vanished drive's: nothing above it
                left = up;
            }
            QTimer::singleShot(0, this, [this, gone, left] {
                log_line(ss(tr("The folder %1 was removed or renamed; %2 is shown").arg(gone, left)));
                show_folder(left);
            });
        });
    });
    folderTree = tree.view;
    tree_model_ = tree.model;
    folderTree->setObjectName("ShellTreeView1");
    folderTree->setGeometry(608, 8, 233, 345);
    connect(folderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!current.isValid() || tree_removing_) return;
                const QString path = tree_model_->filePath(current);
                listed_path_ = path;
                pending_entry_.clear();
                list_model_->set_folder(path);
                // The list is shown once its folder is read, all at once.
                if (!list_model_->loaded()) {
                    fileList->viewport()->hide();
                    list_shown_at_latest_.start(30000);
                } else {
                    show_listed();
                }
                // What was selected in the folder shown before is no longer
                // in view, so it is no longer the object of the buttons.
                fileList->selectionModel()->clear();
                show_unreadable(path);
            });
}

void MainWindow::build_panes() {
    build_file_list();
    build_folder_tree();
    // A double-click (or Enter) on a folder in the list opens it, and the
    // tree follows.
    connect(fileList, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (index.isValid() && list_model_->isDir(index)) show_folder(list_model_->filePath(index));
    });
    // The home folder is where the user's files are: open the tree there.
    show_folder(QDir::homePath());
}

void MainWindow::show_listed() {
    list_shown_at_latest_.stop();
    if (!fileList->viewport()->isHidden()) return;
    fileList->viewport()->show();
}

// A folder that cannot be listed says so where its entries would be.
void MainWindow::show_unreadable(const QString& path) {
    const std::string native = ss(path);
    const int error = folder_listing_error(native);
    if (error == 0) {
        unreadableNote->hide();
        return;
    }
    unreadableNote->setText(tr("This folder cannot be read: %1").arg(qs(IoError(native, error).reason())));
    show_listed();
    unreadableNote->setGeometry(fileList->viewport()->rect().adjusted(8, 8, -8, -8));
    unreadableNote->show();
}

void MainWindow::build_stop() {
    stopButton = command_button("StopButton", "Stop", centralWidget(), 320, 360);
    stopButton->hide();
    connect(stopButton, &QPushButton::clicked, this, &MainWindow::stop_clicked);
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

void MainWindow::show_folder(const QString& path) {
    ui::select_folder(folderTree, tree_model_, path);
    // Folders above it that are still being read push it down as they come;
    // the tree follows it (before the first showing, start-up does).
    if (shown_once_) ui::reveal_current(folderTree, tree_model_);
}

void MainWindow::open_path(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) {
        show_folder(info.absoluteFilePath());
        return;
    }
    select_entry(path);
}

void MainWindow::select_entry(const QString& path) {
    const QFileInfo info(path);
    if (info.isRoot()) {
        show_folder(info.absoluteFilePath());
        return;
    }
    show_folder(info.absolutePath());
    const QModelIndex index = list_model_->index(info.absoluteFilePath());
    if (!index.isValid()) {
        if (!list_model_->loaded()) pending_entry_ = info.absoluteFilePath();
        return;
    }
    fileList->setCurrentIndex(index);
    fileList->scrollTo(index);
}

QString MainWindow::listed_folder() const { return list_model_->folder(); }

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
    folderLabel->setText(text(msg::kFolderProgress));
    folderLabel->adjustSize();
    ui::assign_mnemonics(mainMenu);
    retranslate();
}

// The texts of the window beyond the message table.
void MainWindow::retranslate() {
    stopButton->setText(tr("Stop"));
    logPane->setAccessibleName(tr("Log"));
    fileList->setAccessibleName(tr("Files"));
    folderTree->setAccessibleName(tr("Folders"));
    // The bars are read out by what they measure; the labels above them show
    // their captions only while a file is worked on.
    checksumBar->setAccessibleName(tr("Checksum progress"));
    firstPassBar->setAccessibleName(tr("First coding pass"));
    secondPassBar->setAccessibleName(tr("Second coding pass"));
    checksumLabel->setAccessibleName(checksumBar->accessibleName());
    firstPassLabel->setAccessibleName(firstPassBar->accessibleName());
    secondPassLabel->setAccessibleName(secondPassBar->accessibleName());
    folderLabel->setAccessibleName(folderLabel->text());
    folderBar->setAccessibleName(folderLabel->text());
}

}  // namespace tarnvold
