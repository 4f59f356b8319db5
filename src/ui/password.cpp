// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/password.h"

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

TPasswordDlg::TPasswordDlg(Language& language, QWidget* parent) : QDialog(parent), language_(language) {
    setObjectName("PasswordDlg");
    setWindowTitle("PassWord");
    setFont(ui::window_font());
    setFixedSize(233, 93);

    Label1 = ui::make_label("Label1", "Please enter password", this, 8, 9);

    Password = new QLineEdit(this);
    Password->setObjectName("Password");
    Password->setGeometry(8, 27, 217, 21);
    Password->setEchoMode(QLineEdit::Password);
    Password->setMaxLength(std::numeric_limits<int>::max());

    OKBtn = ui::make_button("OKBtn", "OK", this, QRect(70, 59, 75, 25));
    OKBtn->setDefault(true);
    CancelBtn = ui::make_button("CancelBtn", "Annuler", this, QRect(150, 59, 75, 25));
    Hint = ui::make_label("Hint", QString(), this, 8, 9);
    Hint->setWordWrap(true);
    Hint->hide();
    Password->setAccessibleName(Label1->text());

    setTabOrder(Password, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    connect(Password, &QLineEdit::textChanged, this, &TPasswordDlg::PasswordChange);
    connect(OKBtn, &QPushButton::clicked, this, &TPasswordDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TPasswordDlg::CancelBtnClick);

    language_.add_caption_target(this);
    FormCreate();
}

TPasswordDlg::~TPasswordDlg() { language_.remove_caption_target(this); }

void TPasswordDlg::FormCreate() {
    ui::centre_on_screen(this);
    ui::centre_when_framed(this);
}

void TPasswordDlg::apply_captions(const LangTable& table) {
    Label1->setText(qs(table_entry(table, msg::kEnterPassword)));
    Label1->adjustSize();
    Password->setAccessibleName(Label1->text());
    OKBtn->setText(qs(table_entry(table, msg::kOk)));
    CancelBtn->setText(qs(table_entry(table, msg::kCancel)));
}

bool TPasswordDlg::execute(std::string& password, bool confirm, int code_page) {
    if (wait_.running()) return false;
    confirm_ = confirm;
    code_page_ = code_page;
    second_ = false;
    first_.clear();
    Password->clear();
    show_hint(QString(), false);
    PasswordChange();
    const bool ok = wait_.run([this] { Password->setFocus(); }) == ui::ModalWait::Answer::Ok && password_ok;
    first_.clear();
    if (!ok) return false;
    password = ui::ss(Password->text());
    return true;
}

void TPasswordDlg::answer(const std::string& password) {
    Password->setText(qs(password));
    OKBtn->click();
    if (!waiting() || !second_) return;
    Password->setText(qs(password));
    OKBtn->click();
}

// An empty text puts the prompt of the table back.
void TPasswordDlg::show_hint(const QString& text, bool refusal) {
    Hint->setText(text);
    QPalette palette = this->palette();
    // A red that reads on the dialog's background, light or dark.
    if (refusal) palette.setColor(QPalette::WindowText, ui::warning_colour(palette));
    Hint->setPalette(palette);
    // As many lines as the text takes: a hint longer than the prompt's line
    // moves the box and the buttons down, and the dialog grows with them.
    const int height = text.isEmpty() ? 0 : Hint->heightForWidth(217);
    Hint->resize(217, height);
    const int extra = std::max(0, 9 + height + 3 - 27);
    Password->move(8, 27 + extra);
    OKBtn->move(70, 59 + extra);
    CancelBtn->move(150, 59 + extra);
    setFixedSize(233, 93 + extra);
    Hint->setVisible(!text.isEmpty());
    Label1->setVisible(text.isEmpty());
    Password->setAccessibleDescription(text);
}

// Characters are counted, not the bytes of their UTF-8 form: a lone "é" is
// too short.
void TPasswordDlg::PasswordChange() {
    password_ok = text_length(ui::ss(Password->text())) > 1;
    // Typing again takes a refusal away; the prompt of the step stays.
    if (Hint->isVisible() && !Password->text().isEmpty())
        show_hint(second_ ? tr("Enter the password again") : QString(), false);
}

void TPasswordDlg::OKBtnClick() {
    if (!wait_.waiting()) return wait_.ok();
    if (!password_ok) {
        show_hint(tr("At least two characters are needed"), true);
        Password->setFocus();
        return;
    }
    char32_t missing = 0;
    if (code_page_ != 0 && !encode_text(ui::ss(Password->text()), code_page_, &missing)) {
        const QString letter = "\"" + QString::fromUcs4(&missing, 1) + "\"";
        show_hint(tr("%1 is not in %2").arg(letter, qs(code_page_name(code_page_))), true);
        Password->setFocus();
        return;
    }
    if (confirm_ && !second_) {
        first_ = ui::ss(Password->text());
        second_ = true;
        Password->clear();
        show_hint(tr("Enter the password again"), false);
        Password->setFocus();
        return;
    }
    if (confirm_ && ui::ss(Password->text()) != first_) {
        second_ = false;
        first_.clear();
        Password->clear();
        show_hint(tr("The two passwords differ; enter it anew"), true);
        Password->setFocus();
        return;
    }
    wait_.ok();
}
void TPasswordDlg::CancelBtnClick() { wait_.cancel(); }
void TPasswordDlg::reject() { wait_.reject(); }

}  // namespace tarnvold
