// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/folder_chooser.h"

#include "ui/boxes.h"
#include "ui/qt_text.h"
#include "ui/shell_model.h"
#include "ui/ui_common.h"

#include "config/message_id.h"
#include "io/file_io.h"
#include "io/shell_entries.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cerrno>

namespace tarnvold {

using ui::qs;
using ui::ss;

bool is_enterable_folder(const std::string& path) { return folder_listing_error(path) == 0; }

bool valid_folder_name(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

FolderChooser::FolderChooser(Language& language, QWidget* parent) : QDialog(parent), language_(language) {
    setObjectName("opendir");
    setWindowTitle(QString());
    setFont(ui::window_font());
    setFixedSize(384, 320);

    okButton = ui::make_button("OKBtn", "OK", this, QRect(300, 8, 75, 25));
    okButton->setDefault(true);
    cancelButton = ui::make_button("CancelBtn", "Cancel", this, QRect(300, 38, 75, 25));
    treeFrame = new QFrame(this);
    treeFrame->setObjectName("Bevel1");
    treeFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    treeFrame->setGeometry(8, 8, 281, 305);
    newFolderButton = ui::make_button("Button1", "New Dir", this, QRect(300, 70, 75, 25));

    const ui::FolderTree tree = ui::make_folder_tree(this);
    folderTree = tree.view;
    model_ = tree.model;
    folderTree->setObjectName("ShellTreeView1");
    folderTree->setGeometry(16, 16, 265, 289);
    folderTree->setAccessibleName(tr("Folders"));
    // The home folder is where most destinations are; start there.
    select_path(ss(QDir::homePath()));

    setTabOrder(okButton, cancelButton);
    setTabOrder(cancelButton, newFolderButton);
    setTabOrder(newFolderButton, folderTree);

    connect(folderTree, &QTreeView::clicked, this, &FolderChooser::folder_clicked);
    folderTree->installEventFilter(this);
    connect(okButton, &QPushButton::clicked, this, &FolderChooser::ok_clicked);
    connect(cancelButton, &QPushButton::clicked, this, &FolderChooser::cancel_clicked);
    connect(newFolderButton, &QPushButton::clicked, this, &FolderChooser::new_folder_clicked);

    language_.add_caption_target(this);
    centre();
}

FolderChooser::~FolderChooser() { language_.remove_caption_target(this); }

void FolderChooser::centre() {
    ui::centre_on_screen(this);
    ui::centre_when_framed(this);
}

int title_bar_width(const QString& title) { return QFontMetrics(QApplication::font()).horizontalAdvance(title) + 80; }

void FolderChooser::set_title(const QString& title) {
    setWindowTitle(title);
    const QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    const int most = s != nullptr ? s->availableGeometry().width() - 16 : 1024;
    const int width = std::max(384, std::min(title_bar_width(title), most));
    if (width == this->width()) return;
    const int extra = width - 384;
    setFixedSize(width, 320);
    treeFrame->setGeometry(8, 8, 281 + extra, 305);
    folderTree->setGeometry(16, 16, 265 + extra, 289);
    okButton->move(300 + extra, 8);
    cancelButton->move(300 + extra, 38);
    newFolderButton->move(300 + extra, 70);
    ui::centre_on_screen(this);
}

void FolderChooser::apply_captions(const LangTable& table) {
    okButton->setText(qs(table_entry(table, msg::kOk)));
    cancelButton->setText(qs(table_entry(table, msg::kCancel)));
    newFolderButton->setText(qs(table_entry(table, msg::kNewDir)));
}

std::string FolderChooser::selected_path() const {
    const QModelIndex index = folderTree->currentIndex();
    if (!index.isValid() || !folderTree->selectionModel()->isSelected(index)) return {};
    return ui::native_path(model_->filePath(index));
}

void FolderChooser::select_path(const std::string& path) { ui::select_folder(folderTree, model_, qs(path)); }

void FolderChooser::choose(const std::string& path) {
    select_path(path);
    emit folderTree->clicked(folderTree->currentIndex());
    okButton->click();
}

bool FolderChooser::execute(const std::string& title) {
    if (wait_.running()) return false;
    folder_picked = false;
    // OK, or Enter wherever the focus is, before a folder was picked in this
    // use (a click, or Space on the tree) ends it as Cancel does.
    set_title(qs(title));
    if (wait_.run([this] { folderTree->setFocus(); }) != ui::ModalWait::Answer::Ok || !folder_picked) return false;
    // Read now: a selection moved by keyboard after the click counts.
    // Only a folder that can really be entered is handed out.
    const std::string path = selected_path();
    if (!is_enterable_folder(path)) return false;
    dest_dir = path + ss(QDir::separator());
    return true;
}

void FolderChooser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_once_) return;
    shown_once_ = true;
    // The home folder, selected at creation, in view once the tree is laid out.
    QTimer::singleShot(0, this, [this] { ui::reveal_current(folderTree, model_); });
}

// From the keyboard, Space on a folder picks it as a click does; Enter
// only presses the default button.
bool FolderChooser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == folderTree && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QModelIndex current = folderTree->currentIndex();
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (key->key() == Qt::Key_Space && plain && current.isValid()) {
            folderTree->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
            folder_clicked();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FolderChooser::folder_clicked() {
    if (selected_path().empty()) return;
    folder_picked = true;
}

void FolderChooser::ok_clicked() { wait_.ok(); }
void FolderChooser::cancel_clicked() { wait_.cancel(); }
void FolderChooser::reject() { wait_.reject(); }

void FolderChooser::new_folder_clicked() {
    if (!folder_picked) return;
    QString value = QStringLiteral("New dir");
    if (!ui::input_box(this, ui::kBoxCaption, qs(language_.message(msg::kEnterNewDirName)), value)) return;
    const std::string name = ss(value);
    if (name.empty()) return;
    const QModelIndex parent = folderTree->currentIndex();
    const std::string parent_path = selected_path();
    if (parent_path.empty()) return;
    std::string path = parent_path;
    if (path.back() != '/' && path.back() != '\\') path += ss(QDir::separator());
    path += name;

    // A name that cannot be made, or a folder the system will not make, is
    // passed over without a word; the tree shows what is there either way.
    if (valid_folder_name(name)) {
        try {
            make_folder(path);
        } catch (const IoError&) {
        }
    }
    // The new folder shows under its parent; the selection stays on the parent.
    model_->index(qs(path));
    folderTree->expand(parent);
}

}  // namespace tarnvold
