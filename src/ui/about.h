// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: product, version and a word about the program.  It takes
// the main window's place while it is shown.
#pragma once

#include "config/international.h"

#include <QDialog>

#include <functional>

class QFrame;
class QLabel;
class QPushButton;

namespace tarnvold {

class AboutBox : public QDialog, public CaptionTarget {
    Q_OBJECT
public:
    explicit AboutBox(Language& language, QWidget* parent = nullptr);
    ~AboutBox() override;

    // Brings the main window back.
    std::function<void()> show_main;

    void apply_captions(const LangTable& table) override;

public slots:
    void ok_clicked();
    void closing();
    void show_version();
    // Escape and the title bar's close.
    void reject() override;

private:
    void set_texts();
    QFrame* frame;
    QLabel* programIcon;
    QLabel* productLabel;
    QLabel* versionLabel;
    QLabel* makerLabel;
    QLabel* commentsLabel;
    QPushButton* okButton;

    Language& language_;
};

}  // namespace tarnvold
