// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/boxes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QSpacerItem>

#include <utility>

namespace tarnvold::ui {
namespace {

BoxHook& hook() {
    static BoxHook h;
    return h;
}

bool hooked(BoxKind kind, QWidget* owner, const QString& title, const QString& text, BoxAnswer& answer) {
    if (!hook()) return false;
    answer = hook()(BoxRequest{kind, owner, title, text, QString()});
    return true;
}

int message_box(QMessageBox::Icon icon, QWidget* owner, const QString& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, kBoxCaption, text, buttons, owner);
    // Texts and file names are shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    // Wide enough for the window manager to show the caption in full beside
    // its buttons; the box keeps its own size otherwise.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int wide = 2 * box.fontMetrics().horizontalAdvance(kBoxCaption) + 120;
        grid->addItem(new QSpacerItem(wide, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    return box.exec();
}

// "All files": everything, whatever its name.
QString all_files() { return QCoreApplication::translate("tarnvold::ui", "All files (*)"); }

}  // namespace

void set_box_hook(BoxHook h) { hook() = std::move(h); }

bool ask_yes_no(QWidget* owner, const QString& text) {
    BoxAnswer answer;
    if (hooked(BoxKind::Question, owner, kBoxCaption, text, answer)) return answer.accepted;
    return message_box(QMessageBox::NoIcon, owner, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void notice(QWidget* owner, const QString& text) {
    BoxAnswer answer;
    if (hooked(BoxKind::Notice, owner, kBoxCaption, text, answer)) return;
    message_box(QMessageBox::NoIcon, owner, text, QMessageBox::Ok);
}

void error_box(QWidget* owner, const QString& text) {
    BoxAnswer answer;
    if (hooked(BoxKind::Error, owner, kBoxCaption, text, answer)) return;
    message_box(QMessageBox::Critical, owner, text, QMessageBox::Ok);
}

bool input_box(QWidget* owner, const QString& title, const QString& prompt, QString& value) {
    BoxAnswer answer;
    if (hook()) {
        answer = hook()(BoxRequest{BoxKind::Input, owner, title, prompt, value});
    } else {
        QInputDialog dialog(owner);
        dialog.setWindowTitle(title);
        dialog.setLabelText(prompt);
        dialog.setTextValue(value);
        for (QLabel* label : dialog.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
        answer.accepted = dialog.exec() == QDialog::Accepted;
        answer.value = dialog.textValue();
    }
    if (answer.accepted) value = answer.value;
    return answer.accepted;
}

bool open_file_dialog(QWidget* owner, QString& path) {
    BoxAnswer answer;
    // Shown as the system writes paths.
    const QString shown = QDir::toNativeSeparators(path);
    if (!hooked(BoxKind::OpenFile, owner, QString(), shown, answer)) {
        answer.value = QFileDialog::getOpenFileName(owner, QString(), shown, all_files());
        answer.accepted = !answer.value.isEmpty();
    }
    if (answer.accepted) path = answer.value;
    return answer.accepted;
}

bool save_file_dialog(QWidget* owner, QString& path) {
    BoxAnswer answer;
    const QString shown = QDir::toNativeSeparators(path);
    if (!hooked(BoxKind::SaveFile, owner, QString(), shown, answer)) {
        // The engine asks its own question before it replaces a file.
        answer.value = QFileDialog::getSaveFileName(owner, QString(), shown, all_files(), nullptr,
                                                    QFileDialog::DontConfirmOverwrite);
        answer.accepted = !answer.value.isEmpty();
    }
    if (answer.accepted) path = answer.value;
    return answer.accepted;
}

}  // namespace tarnvold::ui
