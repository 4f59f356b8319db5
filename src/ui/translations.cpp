// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/translations.h"

#include "ui/qt_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

namespace tarnvold::ui {

namespace {
bool loaded = false;
QStringList& added_folders() {
    static QStringList folders;
    return folders;
}
}  // namespace

void add_translation_folder(const QString& folder) { added_folders() << folder; }

bool translations_loaded() { return loaded; }

QString locale_of_language(const QString& name) {
    struct Pair {
        const char* name;
        const char* locale;
    };
    static constexpr Pair kShipped[] = {
        {"deutsch", "de"},    {"francais", "fr"}, {"espanol", "es"},   {"italiano", "it"},
        {"nederlands", "nl"}, {"polski", "pl"},   {"portugues", "pt"}, {"russkij", "ru"},
    };
    const QString key = name.toLower();
    for (const Pair& p : kShipped)
        if (key == QLatin1String(p.name)) return QLatin1String(p.locale);
    return {};
}

QStringList translation_folders() {
    const QString here = QCoreApplication::applicationDirPath();
    // Installed under share/, or beside the program as the Windows zip has
    // them.
    QStringList folders{QDir::cleanPath(here + QStringLiteral("/../" TARNVOLD_TRANSLATIONS_REL)),
                        here + QStringLiteral("/translations")};
    return folders + added_folders();
}

Translations::Translations(Language& language) : language_(language) { language_.add_caption_target(this); }

Translations::~Translations() {
    language_.remove_caption_target(this);
    load(QString());
}

void Translations::apply_captions(const LangTable&) {
    const QString file = qs(language_.loaded_file);
    load(file.isEmpty() ? QString() : locale_of_language(QFileInfo(file).completeBaseName()));
}

void Translations::load(const QString& locale) {
    if (locale == locale_) return;
    if (own_installed_) QCoreApplication::removeTranslator(&own_);
    if (toolkit_installed_) QCoreApplication::removeTranslator(&toolkit_);
    own_installed_ = toolkit_installed_ = false;
    locale_ = locale;
    loaded = false;
    if (locale.isEmpty()) return;
    for (const QString& folder : translation_folders()) {
        if (own_.load(QStringLiteral("tarnvold_") + locale, folder)) {
            own_installed_ = QCoreApplication::installTranslator(&own_);
            loaded = own_installed_;
            break;
        }
    }
    // Debian ships the toolkit's Portuguese as Brazil's only.
    const QString qt_folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& name : {QStringLiteral("qtbase_") + locale, QStringLiteral("qtbase_") + locale + "_BR"}) {
        if (toolkit_.load(name, qt_folder)) {
            toolkit_installed_ = QCoreApplication::installTranslator(&toolkit_);
            break;
        }
    }
}

}  // namespace tarnvold::ui
