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

ConfigDialog::ConfigDialog(Language& language, Configuration& configuration, const QFont& font, QWidget* parent)
    : QDialog(parent), language_(language), configuration_(configuration) {
    setObjectName("config_form");
    setWindowTitle("Tarnvold configuration");
    setFont(font);
    setFixedSize(313, 214);
    build_controls();

    connect(okButton, &QPushButton::clicked, this, &ConfigDialog::ok_clicked);
    connect(cancelButton, &QPushButton::clicked, this, &ConfigDialog::cancel_clicked);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move((area.width() - width()) / 2, (area.height() - height()) / 2);
    }
    ui::centre_when_framed(this);

    language_.add_caption_target(this);
    show_stored_style();
}

void ConfigDialog::build_controls() {
    frame = new QFrame(this);
    frame->setObjectName("Bevel1");
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(8, 8, 297, 161);

    styleGroup = new QGroupBox(this);
    styleGroup->setObjectName("GroupBox1");
    styleGroup->setGeometry(16, 16, 273, 65);
    compactButton = new QRadioButton(styleGroup);
    compactButton->setObjectName("RadioButton1");
    fullButton = new QRadioButton(styleGroup);
    fullButton->setObjectName("RadioButton2");
    place_in_group(styleGroup, compactButton, fullButton);

    languageGroup = new QGroupBox(this);
    languageGroup->setObjectName("GroupBox2");
    languageGroup->setGeometry(16, 88, 273, 65);
    languageList = new QComboBox(languageGroup);
    languageList->setObjectName("ComboBox1");
    languageList->setGeometry(40, 24, 185, 21);

    okButton = new QPushButton("OK", this);
    okButton->setObjectName("OKBtn");
    okButton->setGeometry(79, 180, 75, 25);
    okButton->setDefault(true);
    cancelButton = new QPushButton("Cancel", this);
    cancelButton->setObjectName("CancelBtn");
    cancelButton->setGeometry(159, 180, 75, 25);

    setTabOrder(okButton, cancelButton);
    setTabOrder(cancelButton, compactButton);
    setTabOrder(compactButton, fullButton);
    setTabOrder(fullButton, languageList);
}

ConfigDialog::~ConfigDialog() { language_.remove_caption_target(this); }

void ConfigDialog::apply_captions(const LangTable& table) {
    // Each control with a mnemonic of its own, chosen as the menus' are; a
    // group's takes the keyboard to the control inside it.
    const QStringList captions = ui::with_mnemonics(
        {qs(table_entry(table, msg::kSelectViewSettings)), qs(table_entry(table, msg::kVersion11Style)),
         qs(table_entry(table, msg::kVersion15Style)), qs(table_entry(table, msg::kSelectLanguage)),
         qs(table_entry(table, msg::kOk)), qs(table_entry(table, msg::kCancel))});
    styleGroup->setTitle(captions[0]);
    compactButton->setText(captions[1]);
    fullButton->setText(captions[2]);
    place_in_group(styleGroup, compactButton, fullButton);
    languageGroup->setTitle(captions[3]);
    okButton->setText(captions[4]);
    cancelButton->setText(captions[5]);
}

void ConfigDialog::show_stored_style() {
    if (configuration_.record.view_style() != 0)
        compactButton->setChecked(true);
    else
        fullButton->setChecked(true);
}

void ConfigDialog::add_languages(const std::vector<std::string>& names) {
    // A name that is not UTF-8 is shown as Windows-1252, the likeliest origin.
    for (const auto& name : names) languageList->addItem(qs(shown_text(name)), bytes_of(name));
    languageList->setCurrentIndex(-1);
}

void ConfigDialog::select_language(const std::string& name) {
    languageList->setCurrentIndex(languageList->findData(bytes_of(name)));
}

std::string ConfigDialog::selected_language() const {
    const int index = languageList->currentIndex();
    return index >= 0 ? languageList->itemData(index).toByteArray().toStdString() : std::string();
}

void ConfigDialog::showEvent(QShowEvent* event) {
    show_stored_style();
    QDialog::showEvent(event);
}

void ConfigDialog::ok_clicked() {
    config_record& record = configuration_.record;
    if (compactButton->isChecked()) record.set_view_style(1);
    if (fullButton->isChecked()) record.set_view_style(0);
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

void ConfigDialog::cancel_clicked() {
    hide();
    if (show_main) show_main();
}

void ConfigDialog::reject() { cancel_clicked(); }

}  // namespace tarnvold
