// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's shell panes: the folder tree of the whole file system
// and the file list of the folder chosen in it, whose chosen entry is the
// object of the window's buttons.
#pragma once

#include "batch/command_host.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>
#include <QTimer>

#include <functional>
#include <string>

class QFileSystemModel;
class QLabel;
class QListView;
class QTreeView;
class QWidget;

namespace tarnvold {

namespace ui {
class FolderListModel;
}

class ShellPanes : public QObject {
    Q_OBJECT
public:
    // The panes on `client`; `window` owns the boxes they show.
    ShellPanes(QWidget* window, QWidget* client);

    // Where the panes write a line of the log.
    std::function<void(const std::string&)> log_line;

    QListView* file_list() const { return fileList; }
    QTreeView* folder_tree() const { return folderTree; }

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
    // The entry chosen in the list (or asked for before the list has read
    // its folder), and its kind; an empty path when there is none.
    Selection selection() const;

    // The window is shown for the first time: the tree's current folder is
    // brought into view, now and whenever it changes.
    void first_shown();
    void set_visible(bool visible);
    void retranslate();

private:
    QListView* fileList;
    QTreeView* folderTree;
    // In the file list's place when its folder cannot be read.
    QLabel* unreadableNote;

    void build_file_list(QWidget* client);
    void follow_choice();
    void build_folder_tree(QWidget* client);
    void watch_tree(QFileSystemModel* model);
    void folder_gone();
    void list_folder(const QModelIndex& current);
    void chosen_entry_removed();
    void show_unreadable(const QString& path);
    void show_listed();
    void listed_folder_read(const QString& path);

    QWidget* window_;
    QFileSystemModel* tree_model_ = nullptr;
    ui::FolderListModel* list_model_ = nullptr;
    QString pending_entry_;  // selected once the list has read its folder
    bool shown_ = false;
    // The entry of the file list the user chose last, while it exists.
    QPersistentModelIndex chosen_;
    bool has_chosen_ = false;
    bool removing_rows_ = false;   // the list model is removing entries
    QString listed_path_;          // the folder the list shows
    QString gone_folder_;          // the listed folder, removed from outside
    bool tree_removing_ = false;   // the tree model is removing folders
    QTimer list_shown_at_latest_;  // a folder whose reading never ends is shown anyway
};

}  // namespace tarnvold
