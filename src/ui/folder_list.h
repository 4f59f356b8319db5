// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's model: the folders and files of one folder, one row and
// one column per entry.
//
// A folder is read on a thread of its own, all of it, and shown sorted in
// one go, so that a folder of a hundred thousand entries costs the window
// one reset, not one lookup per file.  Names are kept as the system gives
// them: a name that is not valid UTF-8 is shown with a mark for each byte
// that is not text, and its path still leads to the file.  Hidden entries
// are left out, as in the folder tree.  Types come from names alone, icons
// are looked up once per type, and the folder is read again when it
// changes.
#pragma once

#include "io/shell_entries.h"

#include <QAbstractListModel>
#include <QFileSystemWatcher>
#include <QHash>
#include <QIcon>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarnvold::ui {

class FolderListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit FolderListModel(QObject* parent = nullptr);
    ~FolderListModel() override;

    // Lists `path` (the toolkit's form, '/' separators): the rows go at
    // once, and come back once the folder is read (directoryLoaded).
    void set_folder(const QString& path);
    const QString& folder() const { return folder_; }
    // The folder given last has been read.
    bool loaded() const { return loaded_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A rename in place; refused (with the reason told to `refused`) when
    // the name is empty, has a separator, is "." or "..", or is taken.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    using QAbstractListModel::index;
    // The row of the entry at `path` (the toolkit's form), if listed.
    QModelIndex index(const QString& path) const;
    // The row of the entry whose name is `name`, bytes as the system has it.
    QModelIndex index_of_name(const std::string& name) const;
    // The entry's path in the toolkit's form, for showing.
    QString filePath(const QModelIndex& index) const;
    // The entry's path in the system's form, its name's bytes unchanged.
    std::string native_path(const QModelIndex& index) const;
    bool isDir(const QModelIndex& index) const;
    QString fileName(const QModelIndex& index) const;
    QString type(const QModelIndex& index) const;

    // Told, with the reason, when a rename in place is refused.
    std::function<void(const QString&)> refused;

signals:
    void directoryLoaded(const QString& path);

private:
    struct Entry {
        std::string name;  // as the system gives it
        QString shown;     // as the list shows it
        QString key;       // what it sorts by
        ShellKind kind = ShellKind::Missing;
        std::int64_t size = 0;
        std::int64_t modified = 0;
        int type = 0;  // into types_
    };
    struct Type {
        QString name;     // the MIME type's name, or the kind's
        QString comment;  // what the list says
        QString icon;     // the theme's icon name, then the generic one
        QString generic_icon;
        // A file type named by its suffix alone, looked up on the window's
        // thread: the MIME database is not for a thread that ends.
        QString suffix;
        bool by_suffix = false;
    };
    struct Reading;

    // What a read makes of a folder's entries on its own thread: the rows,
    // sorted, and the types they refer to.
    struct Prepared {
        std::vector<Entry> entries;
        std::vector<Type> types;
    };
    static Prepared prepare(std::vector<ShellEntry> entries);
    class TypeTable;
    static void sort_entries(std::vector<Entry>& entries);
    static Type suffix_type(const QString& suffix);

    void read();
    void take(std::uint64_t generation, Prepared prepared);
    void merge(std::vector<Entry> fresh);
    QIcon icon_of(const Entry& entry) const;
    std::string native_folder() const;

    QString folder_;
    bool loaded_ = false;
    std::vector<Entry> entries_;
    std::vector<Type> types_;
    QHash<QString, int> types_by_name_;
    std::uint64_t generation_ = 0;  // one more for each folder given
    std::shared_ptr<Reading> reading_;
    bool reading_now_ = false;
    bool reread_ = false;  // the folder changed while it was being read
    QFileSystemWatcher watcher_;
    QTimer changed_;  // changes come in bursts: read once they settle
    mutable QHash<int, QIcon> icons_;
    QIcon folder_icon_;
    QIcon file_icon_;
};

}  // namespace tarnvold::ui
