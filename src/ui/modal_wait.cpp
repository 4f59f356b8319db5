// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/modal_wait.h"

#include <QDialog>
#include <QEventLoop>

namespace tarnvold::ui {

ModalWait::~ModalWait() { wake(); }

ModalWait::Answer ModalWait::run(const std::function<void()>& shown) {
    // The commands are blocked while one waits here, so there is never a
    // second wait; should one be asked for anyway, it is refused.
    if (loop_ != nullptr) return Answer::None;
    ok_ = cancel_ = false;
    dialog_.show();
    dialog_.raise();
    dialog_.activateWindow();
    if (shown) shown();

    QEventLoop loop;
    loop_ = &loop;
    if (!ok_ && !cancel_) loop.exec();
    loop_ = nullptr;
    dialog_.hide();
    return cancel_ ? Answer::Cancel : ok_ ? Answer::Ok : Answer::None;
}

void ModalWait::ok() {
    ok_ = true;
    wake();
}

void ModalWait::cancel() {
    cancel_ = true;
    wake();
}

void ModalWait::reject() {
    if (loop_ != nullptr)
        cancel();
    else
        dialog_.hide();
}

void ModalWait::wake() {
    if (loop_ != nullptr) loop_->exit();
}

}  // namespace tarnvold::ui
