// The file system as the shell panes and the folder chooser show it.
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

namespace tarnvold::ui {

class NameOnlyIconProvider : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};

class ShellModel : public QFileSystemModel {
    Q_OBJECT
public:
    explicit ShellModel(QObject* parent = nullptr);

    // Told, with the reason, when a rename in place is refused.
    std::function<void(const QString&)> refused;

    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    NameOnlyIconProvider icons_;
};

// Why `name` cannot be the new name of `path` in its folder, or empty when it
// can: no name, a "/" in it, "." or "..", or an entry of that name already
// there.
QString rename_refusal(const QString& path, const QString& name);

}  // namespace tarnvold::ui
