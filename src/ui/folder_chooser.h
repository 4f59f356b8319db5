// SPDX-License-Identifier: GPL-3.0-or-later
// The folder chooser: one shared window with a folder tree of the whole
// file system, hidden between uses, that the folder commands ask for their
// source and destination folders.
#pragma once

#include "ui/modal_wait.h"

#include "config/international.h"

#include <QDialog>

#include <string>

class QFileSystemModel;
class QFrame;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace tarnvold {

class FolderChooser : public QDialog, public CaptionTarget {
    Q_OBJECT
public:
    explicit FolderChooser(Language& language, QWidget* parent = nullptr);
    ~FolderChooser() override;

    // Shows the dialog under `title` and waits for OK or Cancel.  True when
    // OK came after a click on a real folder in this use: dest_dir is then
    // that folder followed by "/".  False otherwise, dest_dir untouched.
    bool execute(const std::string& title);
    // True while execute waits for an answer it has not yet had.
    bool waiting() const { return wait_.waiting(); }

    // The folder chosen by the last successful execute, with a trailing "/".
    std::string dest_dir;

    // The full path of the folder selected in the tree, or empty.
    std::string selected_path() const;
    // Selects (and shows) a folder in the tree, as the keyboard would.
    void select_path(const std::string& path);
    // Clicks the folder `path` in the tree and presses OK, as the user would.
    void choose(const std::string& path);

    void apply_captions(const LangTable& table) override;

    // Sets the window title; the window widens where its title bar would
    // cut the title (the tree and the buttons move with it).
    void set_title(const QString& title);

public slots:
    void centre();
    void folder_clicked();
    void ok_clicked();
    void cancel_clicked();
    void new_folder_clicked();
    // Escape and the title bar's close.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* okButton;
    QPushButton* cancelButton;
    QFrame* treeFrame;
    QPushButton* newFolderButton;  // "New dir"
    QTreeView* folderTree;

    Language& language_;
    QFileSystemModel* model_;
    bool folder_picked = false;
    bool shown_once_ = false;
    ui::ModalWait wait_{*this};
};

// The width a window needs for its title bar to show `title` whole: the
// title in the program's font, and room for the bar's buttons.
int title_bar_width(const QString& title);

// A folder the chooser may hand out: it exists, is a folder, and can be
// entered and listed.
bool is_enterable_folder(const std::string& path);

// Whether a name can be a new folder in one step: not empty, no "/" in it,
// not "." or "..".
bool valid_folder_name(const std::string& name);

}  // namespace tarnvold
