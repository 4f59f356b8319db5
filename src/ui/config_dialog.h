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

namespace tarnvold {

class IoError;

class ConfigDialog : public QDialog, public CaptionTarget {
    Q_OBJECT
public:
    ConfigDialog(Language& language, Configuration& configuration, const QFont& font, QWidget* parent = nullptr);
    ~ConfigDialog() override;

    // Brings the main window back when the dialog goes.
    std::function<void()> show_main;
    // The general error report, for a configuration file that cannot be
    // written or read back.
    std::function<void(const IoError&)> report_error;

    void apply_captions(const LangTable& table) override;

    // Sets the radio buttons from the stored view style; runs at creation
    // and at every showing.
    void show_stored_style();

    // Fills the language list, none selected.  Each item keeps its name
    // byte for byte, whatever can be shown of it.
    void add_languages(const std::vector<std::string>& names);
    // Selects the item named `name` exactly, or none.
    void select_language(const std::string& name);
    // The name of the selected item; empty with none selected.
    std::string selected_language() const;

public slots:
    void ok_clicked();
    void cancel_clicked();
    // Escape and the title bar's close act as Cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QFrame* frame;
    QGroupBox* styleGroup;
    QRadioButton* compactButton;  // compact window, stored as 1
    QRadioButton* fullButton;     // full window, stored as 0
    QGroupBox* languageGroup;
    QComboBox* languageList;  // language names
    QPushButton* okButton;
    QPushButton* cancelButton;

    void build_controls();

    Language& language_;
    Configuration& configuration_;
};

}  // namespace tarnvold
