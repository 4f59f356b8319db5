// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/shell_model.h"

#include "ui/qt_text.h"

#include "io/shell_entries.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTreeView>

namespace tarnvold::ui {

namespace {

enum class Kind { Missing, Folder, File, Fifo, Socket, CharDevice, BlockDevice };

// The entry's kind, links followed; a dangling link counts as a file.
Kind kind_of(const QFileInfo& info) {
    switch (shell_kind(ss(info.absoluteFilePath()))) {
    case ShellKind::Missing: return Kind::Missing;
    case ShellKind::Folder: return Kind::Folder;
    case ShellKind::Fifo: return Kind::Fifo;
    case ShellKind::Socket: return Kind::Socket;
    case ShellKind::CharDevice: return Kind::CharDevice;
    case ShellKind::BlockDevice: return Kind::BlockDevice;
    case ShellKind::Dangling:
    case ShellKind::File: break;
    }
    return Kind::File;
}

// The type the name suggests; the contents are not looked at.
QMimeType type_by_name(const QFileInfo& info) {
    static const QMimeDatabase db;
    return db.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
}

}  // namespace

NameOnlyIconProvider::NameOnlyIconProvider(ShownEntries shown)
    : folders_only_(shown == ShownEntries::FoldersOnly),
      drive_(QFileIconProvider::icon(Drive)),
      folder_(QFileIconProvider::icon(Folder)),
      file_(QFileIconProvider::icon(File)) {}

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const {
    if (info.isRoot()) return drive_;
    switch (kind_of(info)) {
    case Kind::Folder: return folder_;
    case Kind::File: {
        if (folders_only_) return file_;
        const QMimeType mime = type_by_name(info);
        QIcon themed = QIcon::fromTheme(mime.iconName());
        if (themed.isNull()) themed = QIcon::fromTheme(mime.genericIconName());
        return themed.isNull() ? file_ : themed;
    }
    default: return file_;
    }
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
    if (info.isRoot()) return QStringLiteral("Drive");
    switch (kind_of(info)) {
    case Kind::Folder: return QStringLiteral("Folder");
    case Kind::Fifo: return QStringLiteral("Named pipe");
    case Kind::Socket: return QStringLiteral("Socket");
    case Kind::CharDevice: return QStringLiteral("Character device");
    case Kind::BlockDevice: return QStringLiteral("Block device");
    case Kind::Missing: return QStringLiteral("Broken link");
    case Kind::File: break;
    }
    if (folders_only_) return QStringLiteral("File");
    const QMimeType mime = type_by_name(info);
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

ShellModel::ShellModel(QObject* parent, ShownEntries shown)
    : QFileSystemModel(parent), icons_(shown), folders_only_(shown == ShownEntries::FoldersOnly) {
    setIconProvider(&icons_);
    setOption(DontUseCustomDirectoryIcons);
}

int ShellModel::columnCount(const QModelIndex& parent) const {
    return folders_only_ ? (parent.column() > 0 ? 0 : 1) : QFileSystemModel::columnCount(parent);
}

QString rename_refusal(const QString& path, const QString& name) {
    if (name.isEmpty()) return QCoreApplication::translate("tarnvold::ui::ShellModel", "the name is empty");
    if (name.contains('/'))
        return QCoreApplication::translate("tarnvold::ui::ShellModel", "a name cannot contain \"/\"");
    if (name == "." || name == "..")
        return QCoreApplication::translate("tarnvold::ui::ShellModel", "\"%1\" cannot be a name").arg(name);
    const QString target = QFileInfo(path).absolutePath() + "/" + name;
    if (name_taken(ss(target)))
        return QCoreApplication::translate("tarnvold::ui::ShellModel", "\"%1\" already exists in that folder")
            .arg(name);
    return {};
}

FolderTree make_folder_tree(QWidget* parent, const std::function<void(ShellModel*)>& before_view) {
    auto* view = new QTreeView(parent);
    // The model goes with the view, after it.
    auto* model = new ShellModel(view, ShownEntries::FoldersOnly);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model->setReadOnly(true);
    model->setRootPath(QStringLiteral("/"));
    if (before_view) before_view(model);
    view->setModel(model);
    view->setHeaderHidden(true);
    for (int c = 1; c < model->columnCount(); ++c) view->hideColumn(c);
    view->setRootIsDecorated(false);
    view->setIndentation(19);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return {view, model};
}

void select_folder(QTreeView* view, QFileSystemModel* model, const QString& path) {
    const QModelIndex index = model->index(path);
    if (!index.isValid()) return;
    view->setCurrentIndex(index);
    view->scrollTo(index);
}

}  // namespace tarnvold::ui
