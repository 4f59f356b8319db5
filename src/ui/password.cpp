// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/password.h"

#include "ui/qt_text.h"
#include "ui/ui_common.h"
#include "io/utf8_text.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

    setTabOrder(Password, OKBtn);
    setTabOrder(OKBtn, CancelBtn);

    connect(Password, &QLineEdit::textChanged, this, &TPasswordDlg::PasswordChange);
    connect(OKBtn, &QPushButton::clicked, this, &TPasswordDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TPasswordDlg::CancelBtnClick);

    language_.add_caption_target(this);
    FormCreate();
}

TPasswordDlg::~TPasswordDlg() { language_.remove_caption_target(this); }

void TPasswordDlg::FormCreate() { ui::centre_on_screen(this); }

void TPasswordDlg::apply_captions(const LangTable& table) {
    Label1->setText(qs(table_entry(table, msg::kEnterPassword)));
    Label1->adjustSize();
    OKBtn->setText(qs(table_entry(table, msg::kOk)));
    CancelBtn->setText(qs(table_entry(table, msg::kCancel)));
}

bool TPasswordDlg::execute(std::string& password) {
    if (wait_.running()) return false;
    Password->clear();
    PasswordChange();
    if (wait_.run([this] { Password->setFocus(); }) != ui::ModalWait::Answer::Ok || !password_ok) return false;
    password = ui::ss(Password->text());
    return true;
}

void TPasswordDlg::answer(const std::string& password) {
    Password->setText(qs(password));
    OKBtn->click();
}

// Characters are counted, not the bytes of their UTF-8 form: a lone "é" is
// too short.
void TPasswordDlg::PasswordChange() { password_ok = text_length(ui::ss(Password->text())) > 1; }

void TPasswordDlg::OKBtnClick() { wait_.ok(); }
void TPasswordDlg::CancelBtnClick() { wait_.cancel(); }
void TPasswordDlg::reject() { wait_.reject(); }

}  // namespace tarnvold
