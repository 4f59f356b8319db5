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

// The window tests look at the controls themselves.
class TestHelpAbout;
class TestMainWindow;
class TestStartup;
class TestTranslations;

namespace tarnvold {

class TAboutBox : public QDialog, public CaptionTarget {
    Q_OBJECT
public:
    explicit TAboutBox(Language& language, QWidget* parent = nullptr);
    ~TAboutBox() override;

    // Brings the main window back.
    std::function<void()> show_main;

    void apply_captions(const LangTable& table) override;

public slots:
    void OKButtonClick();
    void closing();
    void FormCreate();
    // Escape and the title bar's close.
    void reject() override;

private:
    void set_texts();
    // The window tests look at the controls themselves.
    friend class ::TestHelpAbout;
    friend class ::TestMainWindow;
    friend class ::TestStartup;
    friend class ::TestTranslations;

    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* MakerLine;
    QLabel* Comments;
    QPushButton* OKButton;

    Language& language_;
};

}  // namespace tarnvold
