// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/config_dialog.h"

#include "ui/keyboard.h"
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

// Where a titled group box's title ends, as its style draws it.
int title_bottom(const QGroupBox* box) {
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title().isEmpty() ? QStringLiteral("Title") : box->title();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxContents;
    return box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box).bottom();
}

// The two buttons at 16 and 40 in the box, or lower where a style's title
// reaches further down, so that no circle sits on the title.
void place_in_group(QGroupBox* group, QRadioButton* first, QRadioButton* second) {
    const int top = std::max(16, title_bottom(group) + 1);
    first->setGeometry(8, top, 257, 17);
    second->setGeometry(8, top + 24, 257, 17);
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
    // Each control with a mnemonic of its own, chosen as the menus' are; a
    // group's takes the keyboard to the control inside it.
    const QStringList captions = ui::with_mnemonics(
        {qs(table_entry(table, msg::kSelectViewSettings)), qs(table_entry(table, msg::kVersion11Style)),
         qs(table_entry(table, msg::kVersion15Style)), qs(table_entry(table, msg::kSelectLanguage)),
         qs(table_entry(table, msg::kOk)), qs(table_entry(table, msg::kCancel))});
    GroupBox1->setTitle(captions[0]);
    RadioButton1->setText(captions[1]);
    RadioButton2->setText(captions[2]);
    place_in_group(GroupBox1, RadioButton1, RadioButton2);
    GroupBox2->setTitle(captions[3]);
    OKBtn->setText(captions[4]);
    CancelBtn->setText(captions[5]);
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
