// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/open_dir.h"

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

Topendir::Topendir(Language& language, QWidget* parent) : QDialog(parent), language_(language) {
    setObjectName("opendir");
    setWindowTitle(QString());
    setFont(ui::window_font());
    setFixedSize(384, 320);

    OKBtn = ui::make_button("OKBtn", "OK", this, QRect(300, 8, 75, 25));
    OKBtn->setDefault(true);
    CancelBtn = ui::make_button("CancelBtn", "Cancel", this, QRect(300, 38, 75, 25));
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 281, 305);
    Button1 = ui::make_button("Button1", "New Dir", this, QRect(300, 70, 75, 25));

    const ui::FolderTree tree = ui::make_folder_tree(this);
    ShellTreeView1 = tree.view;
    model_ = tree.model;
    ShellTreeView1->setObjectName("ShellTreeView1");
    ShellTreeView1->setGeometry(16, 16, 265, 289);
    ShellTreeView1->setAccessibleName(tr("Folders"));
    // The home folder is where most destinations are; start there.
    select_path(ss(QDir::homePath()));

    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, Button1);
    setTabOrder(Button1, ShellTreeView1);

    connect(ShellTreeView1, &QTreeView::clicked, this, &Topendir::DirectoryOutline1Change);
    ShellTreeView1->installEventFilter(this);
    connect(OKBtn, &QPushButton::clicked, this, &Topendir::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &Topendir::CancelBtnClick);
    connect(Button1, &QPushButton::clicked, this, &Topendir::Button1Click);

    language_.add_caption_target(this);
    FormCreate();
}

Topendir::~Topendir() { language_.remove_caption_target(this); }

void Topendir::FormCreate() {
    ui::centre_on_screen(this);
    ui::centre_when_framed(this);
}

int title_bar_width(const QString& title) { return QFontMetrics(QApplication::font()).horizontalAdvance(title) + 80; }

void Topendir::set_title(const QString& title) {
    setWindowTitle(title);
    const QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    const int most = s != nullptr ? s->availableGeometry().width() - 16 : 1024;
    const int width = std::max(384, std::min(title_bar_width(title), most));
    if (width == this->width()) return;
    const int extra = width - 384;
    setFixedSize(width, 320);
    Bevel1->setGeometry(8, 8, 281 + extra, 305);
    ShellTreeView1->setGeometry(16, 16, 265 + extra, 289);
    OKBtn->move(300 + extra, 8);
    CancelBtn->move(300 + extra, 38);
    Button1->move(300 + extra, 70);
    ui::centre_on_screen(this);
}

void Topendir::apply_captions(const LangTable& table) {
    OKBtn->setText(qs(table_entry(table, msg::kOk)));
    CancelBtn->setText(qs(table_entry(table, msg::kCancel)));
    Button1->setText(qs(table_entry(table, msg::kNewDir)));
}

std::string Topendir::selected_path() const {
    const QModelIndex index = ShellTreeView1->currentIndex();
    if (!index.isValid() || !ShellTreeView1->selectionModel()->isSelected(index)) return {};
    return ui::native_path(model_->filePath(index));
}

void Topendir::select_path(const std::string& path) { ui::select_folder(ShellTreeView1, model_, qs(path)); }

void Topendir::choose(const std::string& path) {
    select_path(path);
    emit ShellTreeView1->clicked(ShellTreeView1->currentIndex());
    OKBtn->click();
}

bool Topendir::execute(const std::string& title) {
    if (wait_.running()) return false;
    folder_picked = false;
    // OK, or Enter wherever the focus is, before a folder was picked in this
    // use (a click, or Space on the tree) ends it as Cancel does.
    set_title(qs(title));
    if (wait_.run([this] { ShellTreeView1->setFocus(); }) != ui::ModalWait::Answer::Ok || !folder_picked) return false;
    // Read now: a selection moved by keyboard after the click counts.
    // Only a folder that can really be entered is handed out.
    const std::string path = selected_path();
    if (!is_enterable_folder(path)) return false;
    dest_dir = path + ss(QDir::separator());
    return true;
}

void Topendir::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_once_) return;
    shown_once_ = true;
    // The home folder, selected at creation, in view once the tree is laid out.
    QTimer::singleShot(0, this, [this] { ui::reveal_current(ShellTreeView1, model_); });
}

// From the keyboard, Space on a folder picks it as a click does; Enter
// only presses the default button.
bool Topendir::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ShellTreeView1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QModelIndex current = ShellTreeView1->currentIndex();
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (key->key() == Qt::Key_Space && plain && current.isValid()) {
            ShellTreeView1->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
            DirectoryOutline1Change();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Topendir::DirectoryOutline1Change() {
    if (selected_path().empty()) return;
    folder_picked = true;
}

void Topendir::OKBtnClick() { wait_.ok(); }
void Topendir::CancelBtnClick() { wait_.cancel(); }
void Topendir::reject() { wait_.reject(); }

void Topendir::Button1Click() {
    if (!folder_picked) return;
    QString value = QStringLiteral("New dir");
    if (!ui::input_box(this, ui::kBoxCaption, qs(language_.message(msg::kEnterNewDirName)), value)) return;
    const std::string name = ss(value);
    if (name.empty()) return;
    const QModelIndex parent = ShellTreeView1->currentIndex();
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
    ShellTreeView1->expand(parent);
}

}  // namespace tarnvold
