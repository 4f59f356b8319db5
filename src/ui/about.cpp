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

TAboutBox::TAboutBox(Language& language, QWidget* parent) : QDialog(parent), language_(language) {
    setObjectName("AboutBox");
    setWindowTitle("A propos");
    setFont(ui::window_font());
    setFixedSize(298, 213);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setGeometry(8, 8, 281, 161);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setGeometry(8, 8, 65, 57);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(ui::program_icon());

    ProductName = ui::make_label("ProductName", "Product : Tarnvold", Panel1, 88, 16);
    Version = ui::make_label("Version", "Version : 0.01", Panel1, 88, 40);
    MakerLine = ui::make_label("MakerLine", QString(), Panel1, 8, 80);

    Comments = new QLabel(Panel1);
    Comments->setObjectName("Comments");
    Comments->setTextFormat(Qt::PlainText);
    Comments->setWordWrap(true);
    Comments->setGeometry(8, 104, 265, 17);

    OKButton = ui::make_button("OKButton", "OK", this, QRect(111, 180, 75, 25));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

    language_.add_caption_target(this);
    FormCreate();
}

TAboutBox::~TAboutBox() { language_.remove_caption_target(this); }

void TAboutBox::FormCreate() {
    Version->setText(QStringLiteral("Version : ") + QString::number(kProgramVersionMajor) + "." +
                     QString::number(kProgramVersionMinor));
    Version->adjustSize();
    set_texts();
    ui::centre_when_framed(this);
}

// The maker line and the remark, with its two further lines, in the
// current language: in English the box has its 298 x 213, and grows with a
// longer translation.
void TAboutBox::set_texts() {
    MakerLine->setText(tr("Made by the Tarnvold developers"));
    MakerLine->adjustSize();
    Comments->setText(tr("Codes and decodes files with a password.") + "\n" + tr("Free software: GNU GPL 3 or later.") +
                      "\n" + tr("Light protection only: keep originals."));
    Comments->setFixedHeight(Comments->heightForWidth(Comments->width()));
    // The panel, and below it the button and the window, grow with the text.
    const int panel_height = std::max(161, Comments->geometry().bottom() + 1 + 8);
    Panel1->resize(Panel1->width(), panel_height);
    OKButton->move(OKButton->x(), Panel1->geometry().bottom() + 1 + 11);
    setFixedSize(width(), OKButton->geometry().bottom() + 1 + 8);
    ui::centre_on_screen(this);
}

void TAboutBox::apply_captions(const LangTable& table) {
    setWindowTitle(ui::qs(table_entry(table, msg::kAbout)));
    OKButton->setText(ui::qs(table_entry(table, msg::kOk)));
    set_texts();
}

void TAboutBox::OKButtonClick() {
    hide();
    if (show_main) show_main();
}

void TAboutBox::closing() { OKButtonClick(); }

void TAboutBox::reject() { closing(); }

}  // namespace tarnvold
