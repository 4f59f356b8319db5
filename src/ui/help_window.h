// SPDX-License-Identifier: GPL-3.0-or-later
// The help window: the local help pages in a browser view.  Its creation
// is the last of the program's windows and runs the start-up sequence.
#pragma once

#include "config/international.h"

#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>

class QPushButton;
class QTextBrowser;

namespace tarnvold {

class HelpWindow : public QWidget, public CaptionTarget {
    Q_OBJECT
public:
    // `start_up` runs at the end of the creation, after the page is opened.
    HelpWindow(Language& language, std::function<void()> start_up, QWidget* parent = nullptr);
    ~HelpWindow() override;

    // Brings the main window back.
    std::function<void()> show_main;

    // "file://" + the current directory at creation + "/help/default.htm"
    // (with backslashes on Windows); the program's folder in place of the
    // current directory when only that one holds the page.
    const QString& help_address() const { return address_; }

    void apply_captions(const LangTable& table) override;

    // Lays the window out for a screen area of `available` (outer size):
    // the design size where it fits, otherwise as much as fits, the page
    // scrolling and the button kept in view below it.  Until the window
    // manager has framed the window, room is left for a usual frame; it is
    // laid out again once the frame is known.
    void fit_within(const QSize& available);

public slots:
    void close_clicked();
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    QPushButton* closeButton;
    QTextBrowser* pageView;

    void open_start_page(const std::function<void()>& start_up);

    Language& language_;
    QString help_folder_;         // the help pages' folder, found at creation
    QString help_locale_;         // the language whose page was shown last (empty: English)
    QSize available_;             // the area fitted last
    bool fitted_framed_ = false;  // laid out with the frame known
    QString address_;
};

// The help address for a current directory: "file://" + folder +
// "/help/default.htm" (the root keeps its own "/", so "/" gives
// "file:////help/default.htm").
QString help_address_for(const QString& folder);

}  // namespace tarnvold
