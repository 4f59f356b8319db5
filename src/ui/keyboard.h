// SPDX-License-Identifier: GPL-3.0-or-later
// Reaching every command from the keyboard: mnemonics made from the menu
// captions, the menu bar taken by F10 or Alt, and a visible mark on the
// pane that has the focus.
#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <vector>

class QAction;
class QMenuBar;

namespace tarnvold::ui {

// Gives every entry of each menu below `bar` (the bar's own entries
// included) a mnemonic, chosen from its caption, that no other entry of the
// same menu has: the first letter of a word where it can, else any other
// letter or digit.  The caption is what the entry shows without the mnemonic;
// "&" in it stays a plain "&".  Run again whenever the captions change.
void assign_mnemonics(QMenuBar* bar);

// The captions of the controls of one window with a mnemonic each, chosen
// as for the entries of a menu; "&" in a caption stays a plain "&".
QStringList with_mnemonics(const QStringList& captions);

// The caption shown, mnemonic marks taken out ("&File" -> "File",
// "R&&D" -> "R&D").
QString without_mnemonic(const QString& text);

// Puts the keyboard focus on the menu bar as Alt pressed and released alone
// does: its first entry highlighted, the arrows walk it, Escape leaves.
void focus_menu_bar(QMenuBar* bar);

// Makes the application's style let Alt alone reach the menu bar and
// always underline the mnemonics, whatever style and desktop the program
// runs under.  Once per application; later calls do nothing.
void install_keyboard_style();

// A frame drawn around whichever of `watched` has the keyboard focus, on
// top of its siblings: item views and text panes of some styles show no
// sign of the focus at all.  The watched widgets share one parent.
class FocusMark : public QWidget {
public:
    FocusMark(QWidget* parent, const QList<QWidget*>& watched);
    // The widget the mark is around, or nullptr when none has the focus.
    QWidget* target() const { return target_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow(QWidget* target);
    QList<QWidget*> watched_;
    QPointer<QWidget> target_;
};

}  // namespace tarnvold::ui
