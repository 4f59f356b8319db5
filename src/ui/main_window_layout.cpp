// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's controls: how they are made, laid out and captioned.
#include "ui/about.h"
#include "ui/boxes.h"
#include "ui/config_dialog.h"
#include "ui/folder_list.h"
#include "ui/helper.h"
#include "ui/keyboard.h"
#include "ui/main_window.h"
#include "ui/open_dir.h"
#include "ui/password.h"
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

TForm1::TForm1(Language& language, Configuration& configuration)
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

    Panel1 = new QFrame(client);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(0, 8, 297, 345);
    Panel2 = new QFrame(client);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->setGeometry(304, 8, 297, 345);

    build_menu();
    build_progress_panel();
    build_panes();

    Button1 = command_button("Button1", "Code object", client, 320, 360);
    Button2 = command_button("Button2", "Decode object", client, 472, 360);
    Button3 = command_button("Button3", "Exit", client, 712, 360);
    ProgressBar4 = make_bar("ProgressBar4", client, 0, 376, 297, 9);
    ProgressBar4->hide();
    Label1 = ui::make_label("Label1", "Folder progress", client, 8, 360);
    Label1->hide();

    build_stop();

    bars_[0].widget = ProgressBar1;
    bars_[1].widget = ProgressBar2;
    bars_[2].widget = ProgressBar3;
    bars_[3].widget = ProgressBar4;

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

TForm1::~TForm1() {
    language_.remove_caption_target(this);
    language_.notice = nullptr;
    configuration_.notice = nullptr;
    configuration_.set_config = nullptr;
}

// The log pane, and the progress panel's bars with their labels.
void TForm1::build_progress_panel() {
    QWidget* client = centralWidget();
    Memo1 = new QPlainTextEdit(client);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 24, 273, 313);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The pane stays editable, but Tab moves on to the next control.
    Memo1->setTabChangesFocus(true);
    Memo1->setMaximumBlockCount(kLogPaneLines);
    // A file dropped on the pane selects it, as anywhere on the window; it
    // does not become text of the log.
    Memo1->setAcceptDrops(false);

    ProgressBar1 = make_bar("ProgressBar1", Panel2, 8, 24, 281, 17);
    ProgressBar2 = make_bar("ProgressBar2", Panel2, 8, 88, 281, 17);
    Label3 = ui::make_label("Label3", "Label1", Panel2, 16, 8);
    Label4 = ui::make_label("Label4", "Label2", Panel2, 16, 72);
    ProgressBar3 = make_bar("ProgressBar3", Panel2, 8, 144, 281, 17);
    Label5 = ui::make_label("Label5", "Label2", Panel2, 16, 128);
    Label3->hide();
    Label4->hide();
    Label5->hide();
}

// The order Tab goes through the controls, the buttons' handlers and the
// keys of the whole window.
void TForm1::build_keys() {
    QWidget* client = centralWidget();
    setTabOrder(Memo1, ShellListView1);
    setTabOrder(ShellListView1, ShellTreeView1);
    setTabOrder(ShellTreeView1, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);

    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Exit1Click);

    // F10 takes the menu bar, as Alt alone does; F1 is Help > Help.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] { ui::focus_menu_bar(MainMenu1); });
    Help2->setShortcut(QKeySequence(Qt::Key_F1));
    Help2->setShortcutContext(Qt::WindowShortcut);
    focus_mark_ = new ui::FocusMark(client, {Memo1, ShellListView1, ShellTreeView1});
}

void TForm1::build_menu() {
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    setMenuBar(MainMenu1);

    File1 = MainMenu1->addMenu("File");
    File1->setObjectName("File1");
    Code1 = File1->addMenu("Code");
    Code1->setObjectName("Code1");
    file2 = Code1->addAction("File");
    file2->setObjectName("file2");
    Directory1 = Code1->addAction("Directory");
    Directory1->setObjectName("Directory1");
    Decode1 = File1->addMenu("Decode");
    Decode1->setObjectName("Decode1");
    File3 = Decode1->addAction("File");
    File3->setObjectName("File3");
    Directory2 = Decode1->addAction("Directory");
    Directory2->setObjectName("Directory2");
    // An empty entry between the commands and Exit; it does nothing.
    File1->addSeparator();
    Exit1 = File1->addAction("Exit");
    Exit1->setObjectName("Exit1");

    Options1 = MainMenu1->addMenu("Options");
    Options1->setObjectName("Options1");
    Configuration1 = Options1->addAction("Configuration");
    Configuration1->setObjectName("Configuration1");

    Help1 = MainMenu1->addMenu("Help");
    Help1->setObjectName("Help1");
    Help2 = Help1->addAction("Help");
    Help2->setObjectName("Help2");
    About1 = Help1->addAction("About");
    About1->setObjectName("About1");

    connect(file2, &QAction::triggered, this, &TForm1::Code1Click);
    connect(Directory1, &QAction::triggered, this, &TForm1::Directory1Click);
    connect(File3, &QAction::triggered, this, &TForm1::Decode1Click);
    connect(Directory2, &QAction::triggered, this, &TForm1::Directory2Click);
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    connect(Configuration1, &QAction::triggered, this, &TForm1::Configuration1Click);
    connect(Help2, &QAction::triggered, this, &TForm1::Help2Click);
    connect(About1, &QAction::triggered, this, &TForm1::About1Click);
}

void TForm1::build_file_list() {
    QWidget* client = centralWidget();

    // The file list: folders and files of the folder chosen in the tree,
    // sorted, names editable in place (which renames).
    list_model_ = new ui::FolderListModel(this);
    list_model_->refused = [this](const QString& why) { ui::notice(this, why); };
    // Before the view's own handler, which moves the selection to a
    // neighbour of a removed entry.
    connect(list_model_, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { removing_rows_ = true; });
    connect(list_model_, &QAbstractItemModel::rowsRemoved, this, [this] { chosen_entry_removed(); });
    ShellListView1 = new QListView(client);
    ShellListView1->setObjectName("ShellListView1");
    ShellListView1->setGeometry(312, 176, 281, 169);
    ShellListView1->setModel(list_model_);
    ShellListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ShellListView1->setIconSize(QSize(16, 16));
    // Rows of one height: a folder of many entries is laid out without
    // measuring each.
    ShellListView1->setUniformItemSizes(true);
    ShellListView1->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    // The selection stays visible when the list loses the focus.
    QPalette palette = ShellListView1->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    ShellListView1->setPalette(palette);
    connect(list_model_, &ui::FolderListModel::directoryLoaded, this, [this](const QString& path) {
        if (path != listed_path_) return;
        show_listed();
        // The entry asked for before the folder was read.
        if (pending_entry_.isEmpty()) return;
        const QModelIndex index = list_model_->index(std::exchange(pending_entry_, QString()));
        if (!index.isValid()) return;
        ShellListView1->setCurrentIndex(index);
        ShellListView1->scrollTo(index);
    });
    list_shown_at_latest_.setSingleShot(true);
    connect(&list_shown_at_latest_, &QTimer::timeout, this, [this] { show_listed(); });
    Unreadable = new QLabel(ShellListView1->viewport());
    Unreadable->setObjectName("Unreadable");
    Unreadable->setTextFormat(Qt::PlainText);
    Unreadable->setWordWrap(true);
    Unreadable->setAlignment(Qt::AlignCenter);
    Unreadable->hide();
    // The entry the user chose is the object of the buttons; the view may
    // move the selection by itself when entries go, and that is no choice.
    connect(ShellListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (removing_rows_) return;
        const QModelIndexList selected = ShellListView1->selectionModel()->selectedIndexes();
        chosen_ = selected.isEmpty() ? QPersistentModelIndex() : QPersistentModelIndex(selected.first());
        has_chosen_ = chosen_.isValid();
    });
}

void TForm1::build_folder_tree() {
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
            while (left != "/" && !QFileInfo(left).isDir()) left = QFileInfo(left).absolutePath();
            QTimer::singleShot(0, this, [this, gone, left] {
                log_line(ss(tr("The folder %1 was removed or renamed; %2 is shown").arg(gone, left)));
                show_folder(left);
            });
        });
    });
    ShellTreeView1 = tree.view;
    tree_model_ = tree.model;
    ShellTreeView1->setObjectName("ShellTreeView1");
    ShellTreeView1->setGeometry(608, 8, 233, 345);
    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!current.isValid() || tree_removing_) return;
                const QString path = tree_model_->filePath(current);
                listed_path_ = path;
                pending_entry_.clear();
                list_model_->set_folder(path);
                // The list is shown once its folder is read, all at once.
                if (!list_model_->loaded()) {
                    ShellListView1->viewport()->hide();
                    list_shown_at_latest_.start(30000);
                } else {
                    show_listed();
                }
                // What was selected in the folder shown before is no longer
                // in view, so it is no longer the object of the buttons.
                ShellListView1->selectionModel()->clear();
                show_unreadable(path);
            });
}

void TForm1::build_panes() {
    build_file_list();
    build_folder_tree();
    // A double-click (or Enter) on a folder in the list opens it, and the
    // tree follows.
    connect(ShellListView1, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (index.isValid() && list_model_->isDir(index)) show_folder(list_model_->filePath(index));
    });
    // The home folder is where the user's files are: open the tree there.
    show_folder(QDir::homePath());
}

void TForm1::show_listed() {
    list_shown_at_latest_.stop();
    if (!ShellListView1->viewport()->isHidden()) return;
    ShellListView1->viewport()->show();
}

// A folder that cannot be listed says so where its entries would be.
void TForm1::show_unreadable(const QString& path) {
    const std::string native = ss(path);
    const int error = folder_listing_error(native);
    if (error == 0) {
        Unreadable->hide();
        return;
    }
    Unreadable->setText(tr("This folder cannot be read: %1").arg(qs(IoError(native, error).reason())));
    show_listed();
    Unreadable->setGeometry(ShellListView1->viewport()->rect().adjusted(8, 8, -8, -8));
    Unreadable->show();
}

void TForm1::build_stop() {
    StopButton = command_button("StopButton", "Stop", centralWidget(), 320, 360);
    StopButton->hide();
    connect(StopButton, &QPushButton::clicked, this, &TForm1::stop_clicked);
}

void TForm1::set_stop_visible(bool visible) {
    // Where "Code object" is; the compact style has no buttons row, so the
    // foot of the progress panel, below the three bars.
    if (full_view_)
        StopButton->move(Button1->pos());
    else
        StopButton->move(Panel2->x() + 8, Panel2->y() + Panel2->height() - StopButton->height() - 8);
    StopButton->setEnabled(true);
    StopButton->setVisible(visible);
    StopButton->raise();
}

void TForm1::stop_clicked() {
    if (!commands_.stoppable()) return;
    commands_.request_stop();
    StopButton->setEnabled(false);  // asked once; a walk ends after the file in progress
}

void TForm1::show_folder(const QString& path) {
    ui::select_folder(ShellTreeView1, tree_model_, path);
    // Folders above it that are still being read push it down as they come;
    // the tree follows it (before the first showing, start-up does).
    if (shown_once_) ui::reveal_current(ShellTreeView1, tree_model_);
}

void TForm1::open_path(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) {
        show_folder(info.absoluteFilePath());
        return;
    }
    select_entry(path);
}

void TForm1::select_entry(const QString& path) {
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
    ShellListView1->setCurrentIndex(index);
    ShellListView1->scrollTo(index);
}

QString TForm1::listed_folder() const { return list_model_->folder(); }

void TForm1::attach(TPasswordDlg* password, TAboutBox* about, Topendir* chooser, Tconfig_form* config, TForm2* help) {
    password_dlg_ = password;
    about_box_ = about;
    opendir_ = chooser;
    config_form_ = config;
    help_ = help;
}

// ---------------------------------------------------------------- captions

void TForm1::apply_captions(const LangTable& table) {
    auto text = [&table](int n) { return qs(table_entry(table, n)); };
    // Top-level entry i gets message i.
    const auto top = MainMenu1->actions();
    for (qsizetype i = 0; i < top.size() && i < kMessageCount; ++i) top[i]->setText(text(static_cast<int>(i + 1)));
    // The entries of the submenus, by their position.
    auto set_at = [](QMenu* menu, int position, const QString& caption) {
        const auto actions = menu->actions();
        if (position < actions.size()) actions[position]->setText(caption);
    };
    set_at(File1, 0, text(msg::kCode));
    set_at(File1, 1, text(msg::kDecode));
    set_at(File1, 3, text(msg::kExit));
    set_at(Options1, 0, text(msg::kConfiguration));
    set_at(Help1, 0, text(msg::kHelp));
    set_at(Help1, 1, text(msg::kAbout));
    set_at(Code1, 0, text(msg::kFile));
    set_at(Code1, 1, text(msg::kDirectory));
    set_at(Decode1, 0, text(msg::kFile));
    set_at(Decode1, 1, text(msg::kDirectory));
    Button1->setText(text(msg::kCodeObject));
    Button2->setText(text(msg::kDecodeObject));
    Button3->setText(text(msg::kExit));
    Label1->setText(text(msg::kFolderProgress));
    Label1->adjustSize();
    ui::assign_mnemonics(MainMenu1);
    retranslate();
}

// The texts of the window beyond the message table.
void TForm1::retranslate() {
    StopButton->setText(tr("Stop"));
    Memo1->setAccessibleName(tr("Log"));
    ShellListView1->setAccessibleName(tr("Files"));
    ShellTreeView1->setAccessibleName(tr("Folders"));
    // The bars are read out by what they measure; the labels above them show
    // their captions only while a file is worked on.
    ProgressBar1->setAccessibleName(tr("Checksum progress"));
    ProgressBar2->setAccessibleName(tr("First coding pass"));
    ProgressBar3->setAccessibleName(tr("Second coding pass"));
    Label3->setAccessibleName(ProgressBar1->accessibleName());
    Label4->setAccessibleName(ProgressBar2->accessibleName());
    Label5->setAccessibleName(ProgressBar3->accessibleName());
    Label1->setAccessibleName(Label1->text());
    ProgressBar4->setAccessibleName(Label1->text());
}

}  // namespace tarnvold
