// SPDX-License-Identifier: GPL-3.0-or-later
// What the program's windows share: their font, the centring rule and the
// program's picture.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QString>

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;
class QWidget;

namespace tarnvold::ui {

// A plain sans of 11 pixels, the font of every window.
QFont window_font();

// The contrast ratio of two colours, 1 to 21, as accessibility guidelines
// count it (4.5 is the least for text).
double contrast(const QColor& a, const QColor& b);

// A red for warnings that reads on `background`: dark on a light one, light
// on a dark one, with a contrast of at least 4.5; the palette's own text
// colour where no red reaches that.
QColor warning_colour(const QPalette& palette);

// Moves a top-level window so that its outer size sits in the middle of the
// primary screen: (screen - window) / 2, truncated toward zero.
void centre_on_screen(QWidget* window);

// Centres a top-level window again each time it is shown, once the window
// manager has framed it: before that its outer size is not known, and a
// window centred on its client size sits off the middle by its frame.
void centre_when_framed(QWidget* window);

// Scrolls a folder tree so that its current folder is in view, now and as
// the folders above it finish loading (the model reads them in the
// background).  For the first showing of a tree.
void reveal_current(QTreeView* view, QFileSystemModel* model);

// A label named `name` at (left, top), sized to its caption, which it
// shows as plain text: captions and file names are shown as they are.
QLabel* make_label(const char* name, const QString& caption, QWidget* parent, int left, int top);

// A push button named `name` in `place`.
QPushButton* make_button(const char* name, const QString& caption, QWidget* parent, const QRect& place);

// The program's 32 x 32 picture in 16 colours, drawn once.
const QPixmap& program_icon();

}  // namespace tarnvold::ui
