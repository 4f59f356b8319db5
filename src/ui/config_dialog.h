// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration dialog: the view style of the main window and the
// language.  It takes the main window's place while it is shown; OK stores
// the choice in the configuration file and applies it at once, Cancel (or a
// close by the title bar) drops it.
#pragma once

#include "config/config_record.h"
#include "config/international.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QFont;
class QFrame;
class QGroupBox;
class QPushButton;
class QRadioButton;

// The window tests look at the controls themselves.
class TestConfigDialog;
class TestStartup;
class TestTranslations;
class TestWindowManager;

namespace tarnvold {

class IoError;

class Tconfig_form : public QDialog, public CaptionTarget {
    Q_OBJECT
public:
    Tconfig_form(Language& language, Configuration& configuration, const QFont& font, QWidget* parent = nullptr);
    ~Tconfig_form() override;

    // Brings the main window back when the dialog goes.
    std::function<void()> show_main;
    // The general error report, for a configuration file that cannot be
    // written or read back.
    std::function<void(const IoError&)> report_error;

    void apply_captions(const LangTable& table) override;

    // Sets the radio buttons from the stored view style; runs at creation
    // and at every showing.
    void FormCreate();

    // Fills the language list, none selected.  Each item keeps its name
    // byte for byte, whatever can be shown of it.
    void add_languages(const std::vector<std::string>& names);
    // Selects the item named `name` exactly, or none.
    void select_language(const std::string& name);
    // The name of the selected item; empty with none selected.
    std::string selected_language() const;

public slots:
    void OKBtnClick();
    void CancelBtnClick();
    // Escape and the title bar's close act as Cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The window tests look at the controls themselves.
    friend class ::TestConfigDialog;
    friend class ::TestStartup;
    friend class ::TestTranslations;
    friend class ::TestWindowManager;

    QFrame* Bevel1;
    QGroupBox* GroupBox1;
    QRadioButton* RadioButton1;  // compact window, stored as 1
    QRadioButton* RadioButton2;  // full window, stored as 0
    QGroupBox* GroupBox2;
    QComboBox* ComboBox1;  // language names
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    Language& language_;
    Configuration& configuration_;
};

}  // namespace tarnvold
