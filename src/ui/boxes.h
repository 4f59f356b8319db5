// SPDX-License-Identifier: GPL-3.0-or-later
// The program's message boxes, input box and file dialogs.  Every box of
// the program goes through here, so that the tests can answer them without
// a person at the screen.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace tarnvold::ui {

enum class BoxKind {
    Question,  // Yes / No, no icon
    Notice,    // OK, no icon
    Error,     // OK, error icon
    Input,     // a line of text, OK / Cancel
    OpenFile,  // the file-open dialog
    SaveFile,  // the file-save dialog
};

struct BoxRequest {
    BoxKind kind;
    QWidget* owner;  // nullptr for a box without owner
    QString title;
    QString text;   // the message, the prompt, or the dialog's start path
    QString value;  // Input: the initial text
};

struct BoxAnswer {
    bool accepted = false;  // Yes / OK
    QString value;          // Input: the text; OpenFile / SaveFile: the path
};

// While set, boxes are not shown: the hook sees each request and answers it.
using BoxHook = std::function<BoxAnswer(const BoxRequest&)>;
void set_box_hook(BoxHook hook);

// The fixed caption of the program's boxes.
inline const QString kBoxCaption = QStringLiteral("Tarnvold");

bool ask_yes_no(QWidget* owner, const QString& text);
void notice(QWidget* owner, const QString& text);
void error_box(QWidget* owner, const QString& text);
// True when confirmed with OK; `value` comes in as the initial text.
bool input_box(QWidget* owner, const QString& title, const QString& prompt, QString& value);
// True with the chosen path; `path` comes in as the name chosen last.
bool open_file_dialog(QWidget* owner, QString& path);
bool save_file_dialog(QWidget* owner, QString& path);

}  // namespace tarnvold::ui
