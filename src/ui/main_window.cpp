// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include "ui/about.h"
#include "ui/boxes.h"
#include "ui/config_dialog.h"
#include "io/file_io.h"
#include "ui/helper.h"
#include "ui/keyboard.h"
#include "config/message_id.h"
#include "ui/open_dir.h"
#include "ui/password.h"
#include "io/paths.h"
#include "io/shell_entries.h"
#include "ui/qt_text.h"
#include "ui/report_text.h"
#include "ui/shell_model.h"
#include "ui/ui_common.h"
#include "tarnvold/version.h"
#include "batch/folder_walk.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QShortcut>
#include <QUrl>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
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
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QTreeView>
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
    return ui::make_button(name, caption, parent, QRect(left, top, 113, 25));
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

    Memo1 = new QPlainTextEdit(client);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 24, 273, 313);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The pane stays editable, but Tab moves on to the next control.
    Memo1->setTabChangesFocus(true);
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

void TForm1::build_panes() {
    QWidget* client = centralWidget();

    // The file list: folders and files of the folder chosen in the tree,
    // sorted, names editable in place (which renames).
    auto* list_model = new ui::ShellModel(this);
    list_model->refused = [this](const QString& why) { ui::notice(this, why); };
    list_model_ = list_model;
    // Named pipes, sockets and devices are listed too.
    list_model_->setFilter(QDir::AllEntries | QDir::AllDirs | QDir::System | QDir::NoDotAndDotDot);
    list_model_->setReadOnly(false);
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
    ShellListView1->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    // The selection stays visible when the list loses the focus.
    QPalette palette = ShellListView1->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    ShellListView1->setPalette(palette);
    connect(list_model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        if (path == listed_path_) QTimer::singleShot(0, this, [this] { show_listed(); });
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
                const QModelIndex root = list_model_->setRootPath(path);
                ShellListView1->setRootIndex(root);
                // A folder read for the first time fills the list in batches,
                // sorted only now and then: it is shown once read and sorted.
                if (list_model_->rowCount(root) == 0) {
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
    list_model_->sort(0, Qt::AscendingOrder);
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
    if (!commands_.walking()) return;
    commands_.request_stop();
    StopButton->setEnabled(false);  // asked once; the walk ends after the file in progress
}

void TForm1::show_folder(const QString& path) { ui::select_folder(ShellTreeView1, tree_model_, path); }

void TForm1::open_path(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) {
        show_folder(info.absoluteFilePath());
        return;
    }
    show_folder(info.absolutePath());
    const QModelIndex index = list_model_->index(info.absoluteFilePath());
    if (!index.isValid()) return;
    ShellListView1->setCurrentIndex(index);
    ShellListView1->scrollTo(index);
}

QString TForm1::listed_folder() const { return list_model_->filePath(ShellListView1->rootIndex()); }

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

// --------------------------------------------------------- user interface

std::string TForm1::message(int n) { return language_.message(n); }

void TForm1::log_write(std::string_view text) {
    if (const auto translated = ui::translated_report(text)) return log_device_.write(*translated);
    log_device_.write(text);
}
void TForm1::log_write(std::int64_t value) { log_device_.write(value); }
void TForm1::log_write_line() { log_device_.write_line(); }

// The lines wait as the text that the pane will take in one insertion: the
// pane fetches the formats once and starts a new paragraph at each
// separator, as a new block would.  The paragraph separator, unlike a line
// feed, never pairs with a carriage return that ends a line before it.
void TForm1::append_log_line(const std::string& line) {
    if (memo_has_lines_) pending_text_ += QChar::ParagraphSeparator;
    ui::append_qs(pending_text_, line);
    memo_has_lines_ = true;
    lines_pending_ = true;
    if (!blocked_) catch_up();
}

// Lines arriving during a command reach the pane together, once a frame, in
// one edit: the pane then lays out only the lines it shows.
void TForm1::show_lines() {
    if (!lines_pending_) return;
    // Log lines are not the user's typing: they are kept out of the undo
    // history, which would otherwise hold every line of a long run again.
    QTextDocument* document = Memo1->document();
    document->setUndoRedoEnabled(false);
    const QString text = std::exchange(pending_text_, QString());
    lines_pending_ = false;
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    document->setUndoRedoEnabled(true);
    // The newest line is in view at once.
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

// A box waits for the user: the window shows where the work stands.
bool TForm1::ask_yes_no(std::string_view text) {
    catch_up();
    call_attention();
    if (const auto translated = ui::translated_report(text)) return ui::ask_yes_no(this, qs(*translated));
    return ui::ask_yes_no(this, qs(text));
}

void TForm1::notice(std::string_view text) {
    catch_up();
    call_attention();
    if (const auto translated = ui::translated_report(text)) return ui::notice(this, qs(*translated));
    ui::notice(this, qs(text));
}

// A box that comes while the user works in another window (the end of a
// long run, a question in the middle of one) asks for attention.
void TForm1::call_attention() {
    if (isVisible() && !isActiveWindow()) QApplication::alert(this);
}

void TForm1::unowned_notice(std::string_view text) { ui::notice(nullptr, qs(text)); }

void TForm1::report_error(const IoError& error) {
    catch_up();
    // While the main window is hidden the box has no owner to sit on.
    ui::error_box(isVisible() ? this : nullptr, qs(error.what()));
}

inline TForm1::Bar& TForm1::bar(ProgressBarId id) {
    const int n = std::clamp(static_cast<int>(id), 1, 4);
    return bars_[static_cast<std::size_t>(n - 1)];
}

const TForm1::BarState& TForm1::bar_state(ProgressBarId id) const { return const_cast<TForm1*>(this)->bar(id).state; }

// A widget repaints itself at once whenever its bar moves by a few pixels;
// with hundreds of steps per small file that painting, and laying out every
// log line, would be most of a folder run.  So while a command runs, the
// widgets catch up with the bars, labels and log once a frame, when the
// window handles its messages, before every box and dialog, and at the
// command's end.
inline void TForm1::render(Bar& b) {
    BarState& s = b.state;
    s.position = std::clamp(s.position, s.min, std::max(s.min, s.max));
    b.dirty = true;
    if (!blocked_) catch_up();
}

// The widgets show the bars, the labels and the log as they are now.
void TForm1::catch_up() {
    show_lines();
    show_bars();
    show_labels();
}

void TForm1::show_bars() {
    for (Bar& b : bars_) {
        if (!b.dirty) continue;
        b.dirty = false;
        draw(b);
    }
}

// The widget counts in int; the largest coded files go past INT_MAX, so a
// range that does not fit is shown scaled down by a power of two.
void TForm1::draw(Bar& b) {
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

void TForm1::bar_setup(ProgressBarId id, std::int64_t min, std::int64_t max, std::int64_t step) {
    Bar& b = bar(id);
    b.state.min = min;
    b.state.max = max;
    b.state.step = step;
    render(b);
}

void TForm1::bar_set_position(ProgressBarId id, std::int64_t position) {
    Bar& b = bar(id);
    b.state.position = position;
    render(b);
}

// The most frequent call of a folder run, hundreds of times a file.  A step
// forward from a position inside the range stays inside it; only a step
// backward needs the clamp of render().
void TForm1::bar_step(ProgressBarId id) {
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
void TForm1::bar_steps(ProgressBarId id, std::int64_t count) {
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

QLabel* TForm1::label(LabelId id) {
    switch (id) {
    case LabelId::Folder: return Label1;
    case LabelId::Checksum: return Label3;
    case LabelId::Pass1: return Label4;
    case LabelId::Pass2: return Label5;
    }
    return Label1;
}

// The per-file labels get the same caption for every file: while the label
// still shows the caption set last, there is nothing to convert or lay out.
void TForm1::label_set_caption(LabelId id, std::string_view caption) {
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
void TForm1::label_set_visible(LabelId id, bool visible) {
    label_visible_[static_cast<std::size_t>(id) - 1] = visible;
    if (!blocked_) catch_up();
}

void TForm1::show_labels() {
    for (const LabelId id : {LabelId::Folder, LabelId::Checksum, LabelId::Pass1, LabelId::Pass2}) {
        std::optional<bool>& visible = label_visible_[static_cast<std::size_t>(id) - 1];
        if (!visible) continue;
        label(id)->setVisible(*visible);
        // The folder progress is its label and its bar together.
        if (id == LabelId::Folder) ProgressBar4->setVisible(*visible);
        visible.reset();
    }
}

// Handling the window's input and painting costs far more than a progress
// step, and a small file makes hundreds of steps: the steps of one frame
// share one such pass.  The first request of a command is always served, and
// the end of a command returns to the event loop, which paints the rest.
// Between passes a request only reads the frame flag.
void TForm1::process_events() {
    if (frame_.due()) pump();
}

void TForm1::pump() {
    catch_up();
    QCoreApplication::processEvents();
    frame_.restart();
}

// ------------------------------------------------------------ command host

bool TForm1::open_dialog(std::string& path) {
    catch_up();
    if (!ui::open_file_dialog(this, last_open_)) return false;
    path = ui::native_path(last_open_);
    command_source_ = path;
    return true;
}

bool TForm1::save_dialog(std::string& path) {
    catch_up();
    // Beside the source, under the name a folder run would give it.
    if (!command_source_.empty()) {
        const QFileInfo source(qs(command_source_));
        const std::string name = ss(source.fileName());
        last_save_ = source.absolutePath() + "/" + qs(coding_ ? coded_name(name) : decoded_name(name));
    }
    if (!ui::save_file_dialog(this, last_save_)) return false;
    path = ui::native_path(last_save_);
    return true;
}

bool TForm1::password_dialog(std::string& password) {
    catch_up();
    // Coding asks twice: a mistyped password would make files nobody can
    // decode.
    return password_dlg_ != nullptr && password_dlg_->execute(password, coding_);
}

bool TForm1::folder_dialog(const std::string& title, std::string& dest_dir) {
    catch_up();
    // A source with nothing to work on is refused before the next question:
    // "Code object" on such a folder before its destination, a menu's
    // source folder as soon as it is chosen.
    const bool source = title == message(msg::kSelectSourceCoding) || title == message(msg::kSelectSourceDecoding);
    if (!source && !command_folder_.empty() && !refuse_empty_source(qs(command_folder_))) return false;
    if (opendir_ == nullptr || !opendir_->execute(title)) return false;
    if (source && !refuse_empty_source(qs(opendir_->dest_dir))) return false;
    dest_dir = opendir_->dest_dir;
    return true;
}

// True when `folder` holds a file that can be read; otherwise says why in
// the log and in a box, and false.
bool TForm1::refuse_empty_source(const QString& folder) {
    QString why;
    const QString shown = folder.size() > 1 && folder.endsWith('/') ? folder.chopped(1) : folder;
    if (const int error = folder_listing_error(ss(shown)); error != 0) {
        why = tr("The folder %1 cannot be read: %2").arg(shown, qs(IoError(ss(shown), error).reason()));
    } else {
        QDirIterator it(shown, QDir::Files | QDir::Readable | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            if (it.fileInfo().isFile() && !it.fileInfo().isSymLink()) return true;
        }
        why = tr("The folder %1 holds no file that can be read").arg(shown);
    }
    log_line(ss(why));
    notice(ss(why));
    return false;
}

Selection TForm1::selection() {
    Selection s;
    // Only an entry of the folder the list shows now, and selected there.
    const QModelIndex index = ShellListView1->currentIndex();
    if (!index.isValid() || index.parent() != ShellListView1->rootIndex() ||
        !ShellListView1->selectionModel()->isSelected(index))
        return s;
    s.path = ui::native_path(list_model_->filePath(index));
    s.kind = list_model_->isDir(index) ? Selection::Kind::Folder : Selection::Kind::File;
    if (s.kind == Selection::Kind::File) command_source_ = s.path;
    if (s.kind == Selection::Kind::Folder) command_folder_ = s.path;
    return s;
}

// The entry the user chose went (deleted, renamed or moved from outside):
// nothing is selected any more, whatever the view moved its selection to.
void TForm1::chosen_entry_removed() {
    removing_rows_ = false;
    if (!has_chosen_ || chosen_.isValid()) return;
    has_chosen_ = false;
    ShellListView1->selectionModel()->clearSelection();
}

void TForm1::set_menu_enabled(bool enabled) {
    menu_enabled_ = enabled;
    update_enabled();
}

void TForm1::set_buttons_visible(bool visible) {
    Button1->setVisible(visible);
    Button2->setVisible(visible);
    Button3->setVisible(visible);
}

void TForm1::set_commands_blocked(bool blocked) {
    blocked_ = blocked;
    frame_.make_due();
    catch_up();
    update_enabled();
}

// The menus follow the commands' lock and the busy state together; the
// buttons only the busy state (the commands hide them when they want).
void TForm1::update_enabled() {
    const bool menus = menu_enabled_ && !blocked_;
    for (QAction* top : MainMenu1->actions()) top->setEnabled(menus);
    Button1->setEnabled(!blocked_);
    Button2->setEnabled(!blocked_);
    Button3->setEnabled(!blocked_);
}

// ----------------------------------------------------------------- start-up

int TForm1::screen_width() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s != nullptr ? s->geometry().width() : 0;
}

int TForm1::screen_height() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s != nullptr ? s->geometry().height() : 0;
}

int TForm1::window_width() { return frameGeometry().width(); }
int TForm1::window_height() { return frameGeometry().height(); }

void TForm1::set_window_size(int width, int height) {
    // Sizes are outer sizes; the frame, when the window has one, is taken off.
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(width - frame.width(), height - frame.height());
    outer_size_ = QSize(width, height);
    fit_pending_ = true;
}

void TForm1::move_window(int left, int top) {
    move(left, top);
    outer_pos_ = QPoint(left, top);
}

// The window manager adds its frame only once the window is shown; the size
// and place asked for before are then made the frame's, as they were meant.
void TForm1::fit_to_frame() {
    if (!fit_pending_ || !isVisible() || windowHandle() == nullptr) return;
    const QMargins m = windowHandle()->frameMargins();
    if (m.isNull()) return;
    fit_pending_ = false;
    resize(outer_size_ - QSize(m.left() + m.right(), m.top() + m.bottom()));
    move(outer_pos_);
}

bool TForm1::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    switch (event->type()) {
    case QEvent::Show:
        fit_to_frame();
        // A window made before it is shown (as the owner of a start-up box)
        // may be framed without a move or resize of its own to tell: look
        // again for a while.
        if (fit_pending_) {
            auto tries = std::make_shared<int>(0);
            auto* timer = new QTimer(this);
            connect(timer, &QTimer::timeout, this, [this, timer, tries] {
                fit_to_frame();
                if (!fit_pending_ || ++*tries >= 200 || !isVisible()) timer->deleteLater();
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

void TForm1::show_full_view(bool full) {
    full_view_ = full;
    Button1->setVisible(full);
    Button2->setVisible(full);
    Button3->setVisible(full);
    ShellListView1->setVisible(full);
    ShellTreeView1->setVisible(full);
    ProgressBar1->setVisible(true);
    ProgressBar2->setVisible(true);
    ProgressBar3->setVisible(true);
}

void TForm1::add_languages(const std::vector<std::string>& names) {
    if (config_form_ != nullptr) config_form_->add_languages(names);
}

void TForm1::select_language(const std::string& name) {
    if (config_form_ != nullptr) config_form_->select_language(name);
}

void TForm1::open_log() {
    log_device_.prepare();
    log_device_.open_for_writing();
}

void TForm1::clear_log() {
    pending_text_.clear();
    lines_pending_ = false;
    Memo1->clear();
    memo_has_lines_ = false;
}

void TForm1::exit_program(int code) { exit_code_ = code; }

void TForm1::Init_Tarnvold() { tarnvold::Init_Tarnvold(language_, configuration_, *this); }

void TForm1::set_config() { tarnvold::set_config(configuration_.record, *this); }

// ----------------------------------------------------------------- handlers

// No exception may leave a handler into the event loop: an input/output
// error is shown as the program shows every such error, anything else as
// its text.
template <class F>
void TForm1::guarded(F&& f) {
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

// What the dialogs of the command about to start need to know of it.
void TForm1::begin_command(bool coding) {
    if (blocked_) return;
    coding_ = coding;
    command_source_.clear();
    command_folder_.clear();
}

void TForm1::end_program(int code) {
    exit_code_ = code;
    if (on_exit) on_exit(code);
}

void TForm1::About1Click() {
    guarded([this] {
        log_line(message(msg::kAboutCalled));
        hide();
        if (about_box_ != nullptr) about_box_->show();
    });
}

void TForm1::Exit1Click() {
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

void TForm1::Help2Click() {
    if (blocked_ || !menu_enabled_ || !isVisible()) return;
    hide();
    if (help_ != nullptr) help_->show();
}

void TForm1::Configuration1Click() {
    hide();
    if (config_form_ != nullptr) config_form_->show();
}

void TForm1::Code1Click() {
    guarded([this] {
        begin_command(true);
        commands_.Code1Click();
    });
}
void TForm1::Decode1Click() {
    guarded([this] {
        begin_command(false);
        commands_.Decode1Click();
    });
}
void TForm1::Button1Click() {
    guarded([this] {
        begin_command(true);
        commands_.Button1Click();
    });
}
void TForm1::Button2Click() {
    guarded([this] {
        begin_command(false);
        commands_.Button2Click();
    });
}
void TForm1::Directory1Click() {
    guarded([this] {
        begin_command(true);
        commands_.Directory1Click();
    });
}
void TForm1::Directory2Click() {
    guarded([this] {
        begin_command(false);
        commands_.Directory2Click();
    });
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_once_) return;
    shown_once_ = true;
    // The home folder, selected at creation, in view once the tree is laid out.
    QTimer::singleShot(0, this, [this] { ui::reveal_current(ShellTreeView1, tree_model_); });
}

// Escape stops a running folder walk; the panes and buttons leave it to
// the window.
void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && commands_.walking()) {
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

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (!blocked_ && full_view_ && !dropped_paths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event) {
    if (!blocked_ && full_view_ && !dropped_paths(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

// A dropped file or folder is selected, as "tarnvold PATH" selects it, for
// the buttons to work on; nothing starts by itself.
void TForm1::dropEvent(QDropEvent* event) {
    const QStringList paths = dropped_paths(event->mimeData());
    if (blocked_ || !full_view_ || paths.isEmpty()) return;
    event->acceptProposedAction();
    open_path(paths.first());
    if (paths.size() > 1)
        log_line(
            ss(tr("%1 files or folders were dropped; the first is selected: %2").arg(paths.size()).arg(paths.first())));
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A command still runs or waits in a dialog: it must end first.
    if (blocked_) {
        event->ignore();
        // During a folder run the user may stop it and quit once the file in
        // progress is done.
        if (commands_.walking() && !quit_after_run_ &&
            ask_yes_no(ss(tr("A folder run is in progress. Stop it after the current file and quit ?")))) {
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
