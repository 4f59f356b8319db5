// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/password_dialog.h"

#include "ui/qt_text.h"
#include "ui/ui_common.h"

#include "io/code_pages.h"
#include "io/utf8_text.h"

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <algorithm>
#include <limits>

namespace tarnvold {

using ui::qs;

PasswordDialog::PasswordDialog(Language& language, QWidget* parent) : QDialog(parent), language_(language) {
    setObjectName("PasswordDlg");
    setWindowTitle("PassWord");
    setFont(ui::window_font());
    setFixedSize(233, 93);

    promptLabel = ui::make_label("Label1", "Please enter password", this, 8, 9);

    passwordEdit = new QLineEdit(this);
    passwordEdit->setObjectName("Password");
    passwordEdit->setGeometry(8, 27, 217, 21);
    passwordEdit->setEchoMode(QLineEdit::Password);
    passwordEdit->setMaxLength(std::numeric_limits<int>::max());

    okButton = ui::make_button("OKBtn", "OK", this, QRect(70, 59, 75, 25));
    okButton->setDefault(true);
    cancelButton = ui::make_button("CancelBtn", "Annuler", this, QRect(150, 59, 75, 25));
    hintLabel = ui::make_label("Hint", QString(), this, 8, 9);
    hintLabel->setWordWrap(true);
    hintLabel->hide();
    passwordEdit->setAccessibleName(promptLabel->text());

    setTabOrder(passwordEdit, okButton);
    setTabOrder(okButton, cancelButton);

    connect(passwordEdit, &QLineEdit::textChanged, this, &PasswordDialog::password_changed);
    connect(okButton, &QPushButton::clicked, this, &PasswordDialog::ok_clicked);
    connect(cancelButton, &QPushButton::clicked, this, &PasswordDialog::cancel_clicked);

    language_.add_caption_target(this);
    centre();
}

PasswordDialog::~PasswordDialog() { language_.remove_caption_target(this); }

void PasswordDialog::centre() {
    ui::centre_on_screen(this);
    ui::centre_when_framed(this);
}

void PasswordDialog::apply_captions(const LangTable& table) {
    promptLabel->setText(qs(table_entry(table, msg::kEnterPassword)));
    promptLabel->adjustSize();
    passwordEdit->setAccessibleName(promptLabel->text());
    okButton->setText(qs(table_entry(table, msg::kOk)));
    cancelButton->setText(qs(table_entry(table, msg::kCancel)));
}

bool PasswordDialog::execute(std::string& password, bool confirm, int code_page) {
    if (wait_.running()) return false;
    confirm_ = confirm;
    code_page_ = code_page;
    second_ = false;
    first_.clear();
    passwordEdit->clear();
    show_hint(QString(), false);
    password_changed();
    const bool ok = wait_.run([this] { passwordEdit->setFocus(); }) == ui::ModalWait::Answer::Ok && password_ok;
    first_.clear();
    if (!ok) return false;
    password = ui::ss(passwordEdit->text());
    return true;
}

void PasswordDialog::answer(const std::string& password) {
    passwordEdit->setText(qs(password));
    okButton->click();
    if (!waiting() || !second_) return;
    passwordEdit->setText(qs(password));
    okButton->click();
}

// An empty text puts the prompt of the table back.
void PasswordDialog::show_hint(const QString& text, bool refusal) {
    hintLabel->setText(text);
    QPalette palette = this->palette();
    // A red that reads on the dialog's background, light or dark.
    if (refusal) palette.setColor(QPalette::WindowText, ui::warning_colour(palette));
    hintLabel->setPalette(palette);
    // As many lines as the text takes: a hint longer than the prompt's line
    // moves the box and the buttons down, and the dialog grows with them.
    const int height = text.isEmpty() ? 0 : hintLabel->heightForWidth(217);
    hintLabel->resize(217, height);
    const int extra = std::max(0, 9 + height + 3 - 27);
    passwordEdit->move(8, 27 + extra);
    okButton->move(70, 59 + extra);
    cancelButton->move(150, 59 + extra);
    setFixedSize(233, 93 + extra);
    hintLabel->setVisible(!text.isEmpty());
    promptLabel->setVisible(text.isEmpty());
    passwordEdit->setAccessibleDescription(text);
}

// Characters are counted, not the bytes of their UTF-8 form: a lone "é" is
// too short.
void PasswordDialog::password_changed() {
    password_ok = text_length(ui::ss(passwordEdit->text())) > 1;
    // Typing again takes a refusal away; the prompt of the step stays.
    if (hintLabel->isVisible() && !passwordEdit->text().isEmpty())
        show_hint(second_ ? tr("Enter the password again") : QString(), false);
}

void PasswordDialog::ok_clicked() {
    if (!wait_.waiting()) return wait_.ok();
    if (!password_ok) {
        show_hint(tr("At least two characters are needed"), true);
        passwordEdit->setFocus();
        return;
    }
    char32_t missing = 0;
    if (code_page_ != 0 && !encode_text(ui::ss(passwordEdit->text()), code_page_, &missing)) {
        const QString letter = "\"" + QString::fromUcs4(&missing, 1) + "\"";
        show_hint(tr("%1 is not in %2").arg(letter, qs(code_page_name(code_page_))), true);
        passwordEdit->setFocus();
        return;
    }
    if (confirm_ && !second_) {
        first_ = ui::ss(passwordEdit->text());
        second_ = true;
        passwordEdit->clear();
        show_hint(tr("Enter the password again"), false);
        passwordEdit->setFocus();
        return;
    }
    if (confirm_ && ui::ss(passwordEdit->text()) != first_) {
        second_ = false;
        first_.clear();
        passwordEdit->clear();
        show_hint(tr("The two passwords differ; enter it anew"), true);
        passwordEdit->setFocus();
        return;
    }
    wait_.ok();
}
void PasswordDialog::cancel_clicked() { wait_.cancel(); }
void PasswordDialog::reject() { wait_.reject(); }

}  // namespace tarnvold
