// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/about.h"

#include "ui/qt_text.h"
#include "ui/ui_common.h"

#include "tarnvold/version.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace tarnvold {

AboutBox::AboutBox(Language& language, QWidget* parent) : QDialog(parent), language_(language) {
    setObjectName("AboutBox");
    setWindowTitle("A propos");
    setFont(ui::window_font());
    setFixedSize(298, 213);

    frame = new QFrame(this);
    frame->setObjectName("Panel1");
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    frame->setGeometry(8, 8, 281, 161);

    programIcon = new QLabel(frame);
    programIcon->setObjectName("ProgramIcon");
    programIcon->setGeometry(8, 8, 65, 57);
    programIcon->setScaledContents(true);
    programIcon->setPixmap(ui::program_icon());

    productLabel = ui::make_label("ProductName", "Product : Tarnvold", frame, 88, 16);
    versionLabel = ui::make_label("Version", "Version : 0.01", frame, 88, 40);
    makerLabel = ui::make_label("MakerLine", QString(), frame, 8, 80);

    commentsLabel = new QLabel(frame);
    commentsLabel->setObjectName("Comments");
    commentsLabel->setTextFormat(Qt::PlainText);
    commentsLabel->setWordWrap(true);
    commentsLabel->setGeometry(8, 104, 265, 17);

    okButton = ui::make_button("OKButton", "OK", this, QRect(111, 180, 75, 25));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &AboutBox::ok_clicked);

    language_.add_caption_target(this);
    show_version();
}

AboutBox::~AboutBox() { language_.remove_caption_target(this); }

void AboutBox::show_version() {
    versionLabel->setText(QStringLiteral("Version : ") + QString::number(kProgramVersionMajor) + "." +
                          QString::number(kProgramVersionMinor));
    versionLabel->adjustSize();
    set_texts();
    ui::centre_when_framed(this);
}

// The maker line and the remark, with its two further lines, in the
// current language: in English the box has its 298 x 213, and grows with a
// longer translation.
void AboutBox::set_texts() {
    makerLabel->setText(tr("Made by the Tarnvold developers"));
    makerLabel->adjustSize();
    commentsLabel->setText(tr("Codes and decodes files with a password.") + "\n" +
                           tr("Free software: GNU GPL 3 or later.") + "\n" +
                           tr("Light protection only: keep originals."));
    commentsLabel->setFixedHeight(commentsLabel->heightForWidth(commentsLabel->width()));
    // The panel, and below it the button and the window, grow with the text.
    const int panel_height = std::max(161, commentsLabel->geometry().bottom() + 1 + 8);
    frame->resize(frame->width(), panel_height);
    okButton->move(okButton->x(), frame->geometry().bottom() + 1 + 11);
    setFixedSize(width(), okButton->geometry().bottom() + 1 + 8);
    ui::centre_on_screen(this);
}

void AboutBox::apply_captions(const LangTable& table) {
    setWindowTitle(ui::qs(table_entry(table, msg::kAbout)));
    okButton->setText(ui::qs(table_entry(table, msg::kOk)));
    set_texts();
}

void AboutBox::ok_clicked() {
    hide();
    if (show_main) show_main();
}

void AboutBox::closing() { ok_clicked(); }

void AboutBox::reject() { closing(); }

}  // namespace tarnvold
