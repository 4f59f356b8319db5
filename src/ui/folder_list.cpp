// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/folder_list.h"

#include "ui/qt_text.h"
#include "ui/shell_model.h"

#include "io/file_io.h"
#include "io/start_thread.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileIconProvider>
#include <QLocale>
#include <QMimeDatabase>

#include <algorithm>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <utility>

namespace tarnvold::ui {

namespace {

// Folders first, then names as people count: letters without regard to
// case, runs of digits by their value ("f9" before "f10").
bool natural_less(const QString& a, const QString& b) {
    const qsizetype na = a.size(), nb = b.size();
    qsizetype i = 0, j = 0;
    while (i < na && j < nb) {
        const QChar ca = a[i], cb = b[j];
        if (ca.isDigit() && cb.isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < na && a[ei] == u'0') ++ei;
            while (ej < nb && b[ej] == u'0') ++ej;
            qsizetype di = ei, dj = ej;
            while (di < na && a[di].isDigit()) ++di;
            while (dj < nb && b[dj].isDigit()) ++dj;
            if (di - ei != dj - ej) return di - ei < dj - ej;
            for (qsizetype k = 0; k < di - ei; ++k)
                if (a[ei + k] != b[ej + k]) return a[ei + k] < b[ej + k];
            i = di;
            j = dj;
            continue;
        }
        if (ca != cb) return ca < cb;
        ++i;
        ++j;
    }
    return na - i < nb - j;
}

}  // namespace

// A read in progress: the thread hands its result over through this, and
// finds no model here once the model is gone.
struct FolderListModel::Reading {
    std::mutex mutex;
    FolderListModel* model = nullptr;
};

FolderListModel::FolderListModel(QObject* parent) : QAbstractListModel(parent), reading_(std::make_shared<Reading>()) {
    reading_->model = this;
    const QFileIconProvider provider;
    folder_icon_ = provider.icon(QFileIconProvider::Folder);
    file_icon_ = provider.icon(QFileIconProvider::File);
    changed_.setSingleShot(true);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { changed_.start(100); });
    connect(&changed_, &QTimer::timeout, this, [this] { read(); });
}

FolderListModel::~FolderListModel() {
    const std::lock_guard lock(reading_->mutex);
    reading_->model = nullptr;
}

void FolderListModel::set_folder(const QString& path) {
    if (path == folder_) {
        read();
        return;
    }
    if (!folder_.isEmpty()) watcher_.removePath(folder_);
    beginResetModel();
    folder_ = path;
    entries_.clear();
    loaded_ = false;
    // A read of the folder shown before is no longer waited for.
    ++generation_;
    reading_now_ = false;
    endResetModel();
    if (!folder_.isEmpty()) watcher_.addPath(folder_);
    read();
}

std::string FolderListModel::native_folder() const { return ui::native_path(folder_); }

void FolderListModel::read() {
    // A change while the folder is read: read again once this read is in.
    if (reading_now_) {
        reread_ = true;
        return;
    }
    reading_now_ = true;
    reread_ = false;
    const std::uint64_t generation = generation_;
    std::shared_ptr<Reading> reading = reading_;
    std::string folder = native_folder();
    start_thread([reading, generation, folder = std::move(folder)] {
        int error = 0;
        auto result = std::make_shared<Prepared>(prepare(shell_entries(folder, error)));
        const std::lock_guard lock(reading->mutex);
        if (reading->model == nullptr) return;
        QMetaObject::invokeMethod(
            reading->model,
            [model = reading->model, generation, result] { model->take(generation, std::move(*result)); },
            Qt::QueuedConnection);
    }).detach();
}

// The types of one read's entries, each made once: the kinds and the MIME
// types by name, the files' types by suffix.
class FolderListModel::TypeTable {
public:
    explicit TypeTable(std::vector<Type>& types) : types_(types) {}

    int of(const ShellEntry& e) {
        switch (e.kind) {
        case ShellKind::Folder: return kind("Folder");
        case ShellKind::Fifo: return kind("Named pipe");
        case ShellKind::Socket: return kind("Socket");
        case ShellKind::CharDevice: return kind("Character device");
        case ShellKind::BlockDevice: return kind("Block device");
        case ShellKind::Missing: return kind("Broken link");
        case ShellKind::Dangling:
        case ShellKind::File: break;
        }
        return by_suffix(e.name);
    }

private:
    int add(Type type) {
        if (const auto it = by_name_.constFind(type.name); it != by_name_.constEnd()) return *it;
        types_.push_back(std::move(type));
        return *by_name_.insert(types_.back().name, static_cast<int>(types_.size() - 1));
    }

    int kind(const char* name) {
        Type type;
        type.name = type.comment = QString::fromLatin1(name);
        return add(std::move(type));
    }

    // The type the name suggests, one per suffix; the contents are not
    // looked at, and the suffix is looked up once the read is in.
    int by_suffix(const std::string& name) {
        const std::size_t dot = name.rfind('.');
        const QString suffix = dot == std::string::npos ? QString() : qs(name.substr(dot)).toLower();
        if (const auto it = by_suffix_.constFind(suffix); it != by_suffix_.constEnd()) return *it;
        Type type;
        type.suffix = suffix;
        type.by_suffix = true;
        types_.push_back(std::move(type));
        const int index = static_cast<int>(types_.size() - 1);
        by_suffix_.insert(suffix, index);
        return index;
    }

    std::vector<Type>& types_;
    QHash<QString, int> by_name_;
    QHash<QString, int> by_suffix_;
};

FolderListModel::Prepared FolderListModel::prepare(std::vector<ShellEntry> entries) {
    Prepared out;
    out.entries.reserve(entries.size());
    TypeTable types(out.types);
    for (ShellEntry& e : entries) {
        // Hidden entries stay hidden, as in the folder tree.
        if (e.hidden) continue;
        Entry entry;
        entry.type = types.of(e);
        entry.shown = qs(e.name);
        entry.key = entry.shown.toCaseFolded();
        entry.kind = e.kind;
        entry.size = e.size;
        entry.modified = e.modified;
        entry.name = std::move(e.name);
        out.entries.push_back(std::move(entry));
    }
    sort_entries(out.entries);
    return out;
}

// The type a file's suffix suggests, from the MIME database.  Looked up on
// the window's thread only: the database matches some names with regular
// expressions, whose per-thread state a thread that ends must not leave
// behind (on Windows that crashed the reading thread at its end).
FolderListModel::Type FolderListModel::suffix_type(const QString& suffix) {
    static const QMimeDatabase db;
    const QMimeType mime = db.mimeTypeForFile(QStringLiteral("x") + suffix, QMimeDatabase::MatchExtension);
    Type type;
    type.name = mime.name();
    type.comment = mime.comment().isEmpty() ? mime.name() : mime.comment();
    type.icon = mime.iconName();
    type.generic_icon = mime.genericIconName();
    return type;
}

// Folders first, then by name as people count, then byte for byte.
void FolderListModel::sort_entries(std::vector<Entry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const bool fa = a.kind == ShellKind::Folder, fb = b.kind == ShellKind::Folder;
        if (fa != fb) return fa;
        if (natural_less(a.key, b.key)) return true;
        if (natural_less(b.key, a.key)) return false;
        return a.name < b.name;
    });
}

void FolderListModel::take(std::uint64_t generation, Prepared prepared) {
    if (generation != generation_) return;
    reading_now_ = false;
    if (reread_) {
        read();
        return;
    }
    // The read's own types become the model's.
    std::vector<int> global(prepared.types.size());
    for (std::size_t t = 0; t < prepared.types.size(); ++t) {
        Type& type = prepared.types[t];
        if (type.by_suffix) type = suffix_type(type.suffix);
        auto it = types_by_name_.constFind(type.name);
        if (it == types_by_name_.constEnd()) {
            types_.push_back(std::move(type));
            it = types_by_name_.insert(types_.back().name, static_cast<int>(types_.size() - 1));
        }
        global[t] = *it;
    }
    std::vector<Entry> fresh = std::move(prepared.entries);
    for (Entry& e : fresh) e.type = global[static_cast<std::size_t>(e.type)];
    if (!loaded_) {
        beginResetModel();
        entries_ = std::move(fresh);
        loaded_ = true;
        endResetModel();
    } else {
        merge(std::move(fresh));
    }
    emit directoryLoaded(folder_);
}

// The folder read again: entries gone and come are removed and inserted
// one by one, so that the view keeps its place and its selection.
void FolderListModel::merge(std::vector<Entry> fresh) {
    std::unordered_set<std::string> now;
    for (const Entry& e : fresh) now.insert(e.name);
    std::size_t gone = 0;
    for (const Entry& e : entries_) gone += now.contains(e.name) ? 0 : 1;
    // Many changes at once (a run writing into the folder shown): one reset
    // costs less than moving the rows for each.
    const std::size_t kept = entries_.size() - gone;
    if (gone + (fresh.size() - kept) > 256) {
        beginResetModel();
        entries_ = std::move(fresh);
        endResetModel();
        return;
    }
    for (int row = static_cast<int>(entries_.size()) - 1; row >= 0; --row) {
        if (now.contains(entries_[static_cast<std::size_t>(row)].name)) continue;
        beginRemoveRows({}, row, row);
        entries_.erase(entries_.begin() + row);
        endRemoveRows();
    }
    std::unordered_set<std::string> before;
    for (const Entry& e : entries_) before.insert(e.name);
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        if (before.contains(fresh[i].name)) continue;
        const int row = static_cast<int>(i);
        beginInsertRows({}, row, row);
        entries_.insert(entries_.begin() + row, fresh[i]);
        endInsertRows();
    }
    // Same names; in the same order unless an entry changed its kind (a file
    // replaced by a folder sorts elsewhere), which takes a reset.
    bool same_order = true;
    for (std::size_t i = 0; i < fresh.size() && same_order; ++i) same_order = entries_[i].name == fresh[i].name;
    if (!same_order) {
        beginResetModel();
        entries_ = std::move(fresh);
        endResetModel();
        return;
    }
    // Sizes, dates and kinds as they are now.
    entries_ = std::move(fresh);
    if (!entries_.empty()) emit dataChanged(index(0), index(static_cast<int>(entries_.size()) - 1));
}

int FolderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QIcon FolderListModel::icon_of(const Entry& entry) const {
    if (entry.kind == ShellKind::Folder) return folder_icon_;
    if (entry.kind != ShellKind::File && entry.kind != ShellKind::Dangling) return file_icon_;
    // A theme lookup reads folders on disk: once per type.
    if (const auto it = icons_.constFind(entry.type); it != icons_.constEnd()) return *it;
    const Type& type = types_[static_cast<std::size_t>(entry.type)];
    QIcon icon = QIcon::fromTheme(type.icon);
    if (icon.isNull()) icon = QIcon::fromTheme(type.generic_icon);
    if (icon.isNull()) icon = file_icon_;
    return *icons_.insert(entry.type, icon);
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Entry& e = entries_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return e.shown;
    case Qt::DecorationRole: return icon_of(e);
    case Qt::AccessibleDescriptionRole:
    case Qt::ToolTipRole: {
        // What the columns of a detailed view would show: size, type, date.
        QStringList parts;
        if (e.kind != ShellKind::Folder) parts << QLocale().formattedDataSize(e.size);
        parts << types_[static_cast<std::size_t>(e.type)].comment;
        parts << QLocale().toString(QDateTime::fromSecsSinceEpoch(e.modified), QLocale::ShortFormat);
        return parts.join(QStringLiteral(", "));
    }
    default: return {};
    }
}

Qt::ItemFlags FolderListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

bool FolderListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.row() >= rowCount()) return false;
    const Entry& e = entries_[static_cast<std::size_t>(index.row())];
    const QString name = value.toString();
    if (name == e.shown) return true;
    const QString path = filePath(index);
    const QString head = QCoreApplication::translate("tarnvold::ui::ShellModel", "Cannot rename %1 to \"%2\": ")
                             .arg(QDir::toNativeSeparators(path), name);
    if (const QString why = rename_refusal(path, name); !why.isEmpty()) {
        if (refused) refused(head + why + ".");
        return false;
    }
    if (const int error = rename_entry(native_folder(), e.name, ss(name)); error != 0) {
        if (refused) refused(head + qs(IoError(ss(path), error).reason()) + ".");
        return false;
    }
    read();
    return true;
}

QModelIndex FolderListModel::index(const QString& path) const {
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    const qsizetype slash = clean.lastIndexOf(u'/');
    if (slash < 0) return {};
    const QString parent = slash == 0 ? QStringLiteral("/") : clean.left(slash);
    if (QDir::cleanPath(parent) != QDir::cleanPath(folder_)) return {};
    return index_of_name(ss(clean.mid(slash + 1)));
}

QModelIndex FolderListModel::index_of_name(const std::string& name) const {
    for (std::size_t row = 0; row < entries_.size(); ++row)
        if (entries_[row].name == name) return index(static_cast<int>(row));
    return {};
}

QString FolderListModel::filePath(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= rowCount()) return folder_;
    const QString& shown = entries_[static_cast<std::size_t>(index.row())].shown;
    return folder_.endsWith(u'/') ? folder_ + shown : folder_ + u'/' + shown;
}

std::string FolderListModel::native_path(const QModelIndex& index) const {
    const std::string folder = native_folder();
    if (!index.isValid() || index.row() >= rowCount()) return folder;
    const std::string& name = entries_[static_cast<std::size_t>(index.row())].name;
    const char separator = QDir::separator().toLatin1();
    return !folder.empty() && (folder.back() == '/' || folder.back() == '\\') ? folder + name
                                                                              : folder + separator + name;
}

bool FolderListModel::isDir(const QModelIndex& index) const {
    return index.isValid() && index.row() < rowCount() &&
           entries_[static_cast<std::size_t>(index.row())].kind == ShellKind::Folder;
}

QString FolderListModel::fileName(const QModelIndex& index) const {
    return index.isValid() && index.row() < rowCount() ? entries_[static_cast<std::size_t>(index.row())].shown
                                                       : QString();
}

QString FolderListModel::type(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    return types_[static_cast<std::size_t>(entries_[static_cast<std::size_t>(index.row())].type)].comment;
}

}  // namespace tarnvold::ui
