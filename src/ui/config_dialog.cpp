// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/config_dialog.h"

#include "ui/ui_common.h"

#include "io/file_io.h"
#include "io/utf8_text.h"

#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include <algorithm>

namespace tarnvold {
namespace {

QString qs(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QByteArray bytes_of(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

// The part of a titled group box inside its frame, as its style draws it.
QRect group_contents(const QGroupBox* box) {
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = QStringLiteral("Title");
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxContents;
    return box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, box);
}

// The two buttons share the space inside the frame and below the title, so
// that neither circle sits on the frame's line.
void place_in_group(QGroupBox* group, QRadioButton* first, QRadioButton* second) {
    const QRect inside = group_contents(group);
    const int h = 17;
    const int gap = std::max(0, (inside.height() - 2 * h) / 3);
    first->setGeometry(8, inside.top() + gap, 257, h);
    second->setGeometry(8, inside.top() + 2 * gap + h, 257, h);
}

}  // namespace

Tconfig_form::Tconfig_form(Language& language, Configuration& configuration, const QFont& font, QWidget* parent)
    : QDialog(parent), language_(language), configuration_(configuration) {
    setObjectName("config_form");
    setWindowTitle("Tarnvold configuration");
    setFont(font);
    setFixedSize(313, 214);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 297, 161);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(16, 16, 273, 65);
    RadioButton1 = new QRadioButton(GroupBox1);
    RadioButton1->setObjectName("RadioButton1");
    RadioButton2 = new QRadioButton(GroupBox1);
    RadioButton2->setObjectName("RadioButton2");
    place_in_group(GroupBox1, RadioButton1, RadioButton2);

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(16, 88, 273, 65);
    ComboBox1 = new QComboBox(GroupBox2);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setGeometry(40, 24, 185, 21);

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setGeometry(79, 180, 75, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    CancelBtn->setGeometry(159, 180, 75, 25);

    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, RadioButton1);
    setTabOrder(RadioButton1, RadioButton2);
    setTabOrder(RadioButton2, ComboBox1);

    connect(OKBtn, &QPushButton::clicked, this, &Tconfig_form::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &Tconfig_form::CancelBtnClick);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move((area.width() - width()) / 2, (area.height() - height()) / 2);
    }
    ui::centre_when_framed(this);

    language_.add_caption_target(this);
    FormCreate();
}

Tconfig_form::~Tconfig_form() { language_.remove_caption_target(this); }

void Tconfig_form::apply_captions(const LangTable& table) {
    GroupBox1->setTitle(qs(table_entry(table, msg::kSelectViewSettings)));
    RadioButton1->setText(qs(table_entry(table, msg::kVersion11Style)));
    RadioButton2->setText(qs(table_entry(table, msg::kVersion15Style)));
    GroupBox2->setTitle(qs(table_entry(table, msg::kSelectLanguage)));
    OKBtn->setText(qs(table_entry(table, msg::kOk)));
    CancelBtn->setText(qs(table_entry(table, msg::kCancel)));
}

void Tconfig_form::FormCreate() {
    if (configuration_.record.view_style() != 0)
        RadioButton1->setChecked(true);
    else
        RadioButton2->setChecked(true);
}

void Tconfig_form::add_languages(const std::vector<std::string>& names) {
    // A name that is not UTF-8 is shown as Windows-1252, the likeliest origin.
    for (const auto& name : names) ComboBox1->addItem(qs(shown_text(name)), bytes_of(name));
    ComboBox1->setCurrentIndex(-1);
}

void Tconfig_form::select_language(const std::string& name) {
    ComboBox1->setCurrentIndex(ComboBox1->findData(bytes_of(name)));
}

std::string Tconfig_form::selected_language() const {
    const int index = ComboBox1->currentIndex();
    return index >= 0 ? ComboBox1->itemData(index).toByteArray().toStdString() : std::string();
}

void Tconfig_form::showEvent(QShowEvent* event) {
    FormCreate();
    QDialog::showEvent(event);
}

void Tconfig_form::OKBtnClick() {
    config_record& record = configuration_.record;
    if (RadioButton1->isChecked()) record.set_view_style(1);
    if (RadioButton2->isChecked()) record.set_view_style(0);
    const std::string name = selected_language();
    // A stored path always has its folder and extension, so this rebuilds it,
    // with the extension as the file has it.
    if (name != record.lang_path()) record.set_lang_path("lang\\" + language_.lang_file_name(name));
    try {
        configuration_.write_config(kConfigFileName);
        configuration_.read_config(kConfigFileName);
    } catch (const IoError& error) {
        // The dialog stays, so the user can try again or cancel.
        if (report_error) report_error(error);
        return;
    }
    hide();
    if (show_main) show_main();
}

void Tconfig_form::CancelBtnClick() {
    hide();
    if (show_main) show_main();
}

void Tconfig_form::reject() { CancelBtnClick(); }

}  // namespace tarnvold
