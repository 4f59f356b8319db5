// SPDX-License-Identifier: GPL-3.0-or-later
// The folder trees of the main window and the folder chooser (the file
// list has a model of its own, ui/folder_list.h).
//
// Types and icons come from names and stat alone: no file is ever opened to
// guess its contents.  Looking inside files is what the toolkit's own icon
// provider does, and a read of a file such as /proc/kmsg never returns, which
// would hang the lookups of every pane for good.
#pragma once

#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QString>

#include <functional>

class QTreeView;
class QWidget;

namespace tarnvold::ui {

// What a model shows: every entry, or folders alone.  A model is told about
// every entry of a folder it reads, and asks for its type and icon, whether
// it shows the entry or not.
enum class ShownEntries { All, FoldersOnly };

class NameOnlyIconProvider : public QFileIconProvider {
public:
    explicit NameOnlyIconProvider(ShownEntries shown);
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;

private:
    // Where only folders are shown, the type of a file, which takes looking
    // up its name, is never needed.
    const bool folders_only_;
    // The toolkit's icons for these, looked up once.
    const QIcon drive_;
    const QIcon folder_;
    const QIcon file_;
};

class ShellModel : public QFileSystemModel {
    Q_OBJECT
public:
    explicit ShellModel(QObject* parent = nullptr, ShownEntries shown = ShownEntries::All);

    // A tree of folders has the one column of names: size, type and date
    // would only be hidden columns that assistive technology still reads.
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;

private:
    NameOnlyIconProvider icons_;
    const bool folders_only_;
};

// A tree of the folders of the whole file system, a child of `parent`, on a
// model of its own: one column without header, read-only, one folder
// selected at a time.
struct FolderTree {
    QTreeView* view;
    ShellModel* model;
};
// `before_view` sees the model before the view does: its handlers of the
// model's signals run ahead of the view's.
FolderTree make_folder_tree(QWidget* parent, const std::function<void(ShellModel*)>& before_view = {});

// Makes `path` the tree's current folder and scrolls it into view; a path
// the model does not know is passed over.
void select_folder(QTreeView* view, QFileSystemModel* model, const QString& path);

// Why `name` cannot be the new name of `path` in its folder, or empty when it
// can: no name, a "/" in it, "." or "..", or an entry of that name already
// there.
QString rename_refusal(const QString& path, const QString& name);

}  // namespace tarnvold::ui
