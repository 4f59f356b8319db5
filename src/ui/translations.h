// SPDX-License-Identifier: GPL-3.0-or-later
// The texts beyond the message table in the user's language: the program's
// own (its .qm files) and the toolkit's (Yes, No, the file dialogs), loaded
// for the language file the table came from.
#pragma once

#include "config/international.h"

#include <QString>
#include <QTranslator>

namespace tarnvold::ui {

// The locale of a shipped language file ("deutsch" -> "de"), by its name
// without folder and extension, in any case; empty for any other name,
// which keeps the texts beyond the table in English.
QString locale_of_language(const QString& name);

// True while a language with translations is loaded.
bool translations_loaded();

// The folders searched for the program's .qm files, in order: the installed
// ones, then those added (a build not installed: the tests add the build's).
QStringList translation_folders();
void add_translation_folder(const QString& folder);

// Follows the current language: registered with the language before any
// window, so that the windows find the translations in place when they
// re-caption themselves.
class Translations : public CaptionTarget {
public:
    explicit Translations(Language& language);
    ~Translations() override;
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;

    void apply_captions(const LangTable& table) override;
    // The locale loaded now, or empty for English.
    const QString& locale() const { return locale_; }

private:
    void load(const QString& locale);
    Language& language_;
    QString locale_;
    QTranslator own_;
    QTranslator toolkit_;
    bool own_installed_ = false;
    bool toolkit_installed_ = false;
};

}  // namespace tarnvold::ui
