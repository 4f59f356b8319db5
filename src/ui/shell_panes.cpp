// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/shell_panes.h"

#include "ui/boxes.h"
#include "ui/folder_list.h"
#include "ui/qt_text.h"
#include "ui/shell_model.h"
#include "ui/ui_common.h"

#include "io/file_io.h"
#include "io/paths.h"
#include "io/shell_entries.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QTreeView>

#include <utility>

namespace tarnvold {

using ui::qs;
using ui::ss;

namespace {

bool is_folder(const QString& path) { return shell_kind(ui::native_path(path)) == ShellKind::Folder; }

// The folder above a full path, in the form the models take; a root gives
// itself back.
QString folder_above(const QString& path) {
    return QDir::fromNativeSeparators(qs(parent_folder(ui::native_path(path))));
}

}  // namespace

ShellPanes::ShellPanes(QWidget* window, QWidget* client) : QObject(window), window_(window) {
    build_file_list(client);
    build_folder_tree(client);
    // A double-click (or Enter) on a folder in the list opens it, and the
    // tree follows.
    connect(fileList, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (index.isValid() && list_model_->isDir(index)) show_folder(list_model_->filePath(index));
    });
    // The home folder is where the user's files are: open the tree there.
    show_folder(QDir::homePath());
}

// The file list: folders and files of the folder chosen in the tree,
// sorted, names editable in place (which renames).
void ShellPanes::build_file_list(QWidget* client) {
    list_model_ = new ui::FolderListModel(this);
    list_model_->refused = [this](const QString& why) { ui::notice(window_, why); };
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
    connect(list_model_, &ui::FolderListModel::directoryLoaded, this, &ShellPanes::listed_folder_read);
    list_shown_at_latest_.setSingleShot(true);
    connect(&list_shown_at_latest_, &QTimer::timeout, this, [this] { show_listed(); });
    unreadableNote = new QLabel(fileList->viewport());
    unreadableNote->setObjectName("Unreadable");
    unreadableNote->setTextFormat(Qt::PlainText);
    unreadableNote->setWordWrap(true);
    unreadableNote->setAlignment(Qt::AlignCenter);
    unreadableNote->hide();
    follow_choice();
}

// The entry the user chose is the object of the buttons; the view may move
// the selection by itself when entries go, and that is no choice.
void ShellPanes::follow_choice() {
    connect(fileList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (removing_rows_) return;
        const QModelIndexList selected = fileList->selectionModel()->selectedIndexes();
        chosen_ = selected.isEmpty() ? QPersistentModelIndex() : QPersistentModelIndex(selected.first());
        has_chosen_ = chosen_.isValid();
    });
}

// The list has read a folder: shown if it is still the one listed, with
// the entry asked for before the folder was read.
void ShellPanes::listed_folder_read(const QString& path) {
    if (path != listed_path_) return;
    show_listed();
    if (pending_entry_.isEmpty()) return;
    const QModelIndex index = list_model_->index(std::exchange(pending_entry_, QString()));
    if (!index.isValid()) return;
    fileList->setCurrentIndex(index);
    fileList->scrollTo(index);
}

// The folder tree of the whole file system.
void ShellPanes::build_folder_tree(QWidget* client) {
    const ui::FolderTree tree = ui::make_folder_tree(client, [this](ui::ShellModel* model) { watch_tree(model); });
    folderTree = tree.view;
    tree_model_ = tree.model;
    folderTree->setObjectName("ShellTreeView1");
    folderTree->setGeometry(608, 8, 233, 345);
    connect(folderTree->selectionModel(), &QItemSelectionModel::currentChanged, this, &ShellPanes::list_folder);
}

// The tree moves its current folder to a neighbour of one removed from
// outside; the panes go to the nearest folder left above it instead.
void ShellPanes::watch_tree(QFileSystemModel* model) {
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
        if (!gone_folder_.isEmpty()) folder_gone();
    });
}

void ShellPanes::folder_gone() {
    const QString gone = std::exchange(gone_folder_, QString());
    QString left = gone;
    while (!is_folder(left)) {
        const QString up = folder_above(left);
        if (up == left) break;  // a root, even a vanished drive's: nothing above it
        left = up;
    }
    QTimer::singleShot(0, this, [this, gone, left] {
        if (log_line) log_line(ss(tr("The folder %1 was removed or renamed; %2 is shown").arg(gone, left)));
        show_folder(left);
    });
}

// The tree's current folder is the one the list shows.
void ShellPanes::list_folder(const QModelIndex& current) {
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
    // What was selected in the folder shown before is no longer in view, so
    // it is no longer the object of the buttons.
    fileList->selectionModel()->clear();
    show_unreadable(path);
}

void ShellPanes::show_listed() {
    list_shown_at_latest_.stop();
    if (!fileList->viewport()->isHidden()) return;
    fileList->viewport()->show();
}

// A folder that cannot be listed says so where its entries would be.
void ShellPanes::show_unreadable(const QString& path) {
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

// The entry the user chose went (deleted, renamed or moved from outside):
// nothing is selected any more, whatever the view moved its selection to.
void ShellPanes::chosen_entry_removed() {
    removing_rows_ = false;
    if (!has_chosen_ || chosen_.isValid()) return;
    has_chosen_ = false;
    fileList->selectionModel()->clearSelection();
}

void ShellPanes::show_folder(const QString& path) {
    ui::select_folder(folderTree, tree_model_, path);
    // Folders above it that are still being read push it down as they come;
    // the tree follows it (before the first showing, start-up does).
    if (shown_) ui::reveal_current(folderTree, tree_model_);
}

void ShellPanes::open_path(const QString& path) {
    if (is_folder(path)) {
        show_folder(QFileInfo(path).absoluteFilePath());
        return;
    }
    select_entry(path);
}

void ShellPanes::select_entry(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    const QString folder = folder_above(full);
    if (folder == full) {  // a root
        show_folder(full);
        return;
    }
    show_folder(folder);
    const QModelIndex index = list_model_->index(full);
    if (!index.isValid()) {
        if (!list_model_->loaded()) pending_entry_ = full;
        return;
    }
    fileList->setCurrentIndex(index);
    fileList->scrollTo(index);
}

QString ShellPanes::listed_folder() const { return list_model_->folder(); }

Selection ShellPanes::selection() const {
    Selection s;
    // Only an entry of the folder the list shows now, and selected there.
    const QModelIndex index = fileList->currentIndex();
    if (!pending_entry_.isEmpty()) {
        // Asked for before the list has read its folder.
        s.path = ui::native_path(pending_entry_);
        s.kind = is_folder(pending_entry_) ? Selection::Kind::Folder : Selection::Kind::File;
    } else if (index.isValid() && fileList->selectionModel()->isSelected(index)) {
        // The name's bytes as the system has them, text or not.
        s.path = list_model_->native_path(index);
        s.kind = list_model_->isDir(index) ? Selection::Kind::Folder : Selection::Kind::File;
    }
    return s;
}

void ShellPanes::first_shown() {
    shown_ = true;
    // The home folder, selected at creation, in view once the tree is laid out.
    QTimer::singleShot(0, this, [this] { ui::reveal_current(folderTree, tree_model_); });
}

void ShellPanes::set_visible(bool visible) {
    fileList->setVisible(visible);
    folderTree->setVisible(visible);
}

void ShellPanes::retranslate() {
    fileList->setAccessibleName(tr("Files"));
    folderTree->setAccessibleName(tr("Folders"));
}

}  // namespace tarnvold
