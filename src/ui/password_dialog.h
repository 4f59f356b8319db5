// SPDX-License-Identifier: GPL-3.0-or-later
// The password dialog: one shared window, hidden between uses, that every
// coding command asks for its password.
#pragma once

#include "ui/modal_wait.h"

#include "config/international.h"

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarnvold {

class PasswordDialog : public QDialog, public CaptionTarget {
    Q_OBJECT
public:
    explicit PasswordDialog(Language& language, QWidget* parent = nullptr);
    ~PasswordDialog() override;

    // Shows the dialog with an empty box and waits for OK or Cancel.  True
    // for OK with at least two characters, which are then copied into
    // `password`; otherwise false with `password` untouched.  A password
    // too short is refused inside the dialog, which says why and goes on
    // waiting.  With `confirm` the password is asked a second time in the
    // same dialog and must be typed the same.  With `code_page` every
    // letter must have a byte in that code page: one that has none is
    // named inside the dialog, which goes on waiting.  The wait sleeps in
    // an event loop; a close by the title bar counts as Cancel.
    bool execute(std::string& password, bool confirm = false, int code_page = 0);
    // True while execute waits for an answer it has not yet had.
    bool waiting() const { return wait_.waiting(); }

    // Types `password` and presses OK, as the user would; twice when the
    // dialog asks for it again.
    void answer(const std::string& password);

    void apply_captions(const LangTable& table) override;

    // Shows `text` where the prompt is (red for a refusal), the dialog grown
    // to hold every line of it; an empty text puts the prompt back.
    void show_hint(const QString& text, bool refusal);

public slots:
    void centre();
    void password_changed();
    void ok_clicked();
    void cancel_clicked();
    // Escape and the title bar's close.
    void reject() override;

private:
    QLabel* promptLabel;
    QLineEdit* passwordEdit;
    QPushButton* okButton;
    QPushButton* cancelButton;
    // Where promptLabel is: why a password was refused, or that it is asked again.
    QLabel* hintLabel;

    Language& language_;
    bool password_ok = false;
    bool confirm_ = false;  // this use asks twice
    int code_page_ = 0;     // the code page the letters must fit, if any
    bool second_ = false;   // waiting for the second typing
    std::string first_;     // the first typing
    ui::ModalWait wait_{*this};
};

}  // namespace tarnvold
