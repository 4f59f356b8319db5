// SPDX-License-Identifier: GPL-3.0-or-later
// The wait of a dialog that a command asks for an answer: the dialog shows
// above the others and an event loop runs until OK or Cancel.  Escape and the
// title bar's close count as Cancel.  There is one wait at a time.
#pragma once

#include <functional>

class QDialog;
class QEventLoop;

namespace tarnvold::ui {

class ModalWait {
public:
    enum class Answer { None, Ok, Cancel };

    explicit ModalWait(QDialog& dialog) : dialog_(dialog) {}
    // A wait still running ends without an answer.
    ~ModalWait();
    ModalWait(const ModalWait&) = delete;
    ModalWait& operator=(const ModalWait&) = delete;

    // True while a wait runs, answered or not yet.
    bool running() const { return loop_ != nullptr; }
    // True while a wait runs that has had no answer yet.
    bool waiting() const { return running() && !ok_ && !cancel_; }

    // Shows the dialog, runs `shown` (for the focus) and waits; the dialog
    // is hidden again on return.  Cancel wins over OK.  None while another
    // wait runs, or when the wait ended without an answer.
    Answer run(const std::function<void()>& shown = {});

    // The buttons.
    void ok();
    void cancel();
    // For QDialog::reject: Cancel while waiting, otherwise the dialog hides.
    void reject();

private:
    void wake();

    QDialog& dialog_;
    QEventLoop* loop_ = nullptr;
    bool ok_ = false;
    bool cancel_ = false;
};

}  // namespace tarnvold::ui
