// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/report_text.h"

#include "ui/qt_text.h"
#include "ui/translations.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <vector>

namespace tarnvold::ui {

namespace {

struct Report {
    const char* prefix;  // a cheap first test: most log items are no report
    QRegularExpression pattern;
    const char* text;  // the translatable form, %1... the captured parts
};

const std::vector<Report>& reports() {
    static const std::vector<Report> list = {
        {"Stopped by the user", QRegularExpression("^Stopped by the user after (\\d+) of (\\d+) files?$"),
         QT_TRANSLATE_NOOP("tarnvold::report", "Stopped by the user after %1 of %2 files")},
        {"Passed by ", QRegularExpression("^Passed by (.+): it is the destination folder$"),
         QT_TRANSLATE_NOOP("tarnvold::report", "Passed by %1: it is the destination folder")},
        {"Passed by ", QRegularExpression("^Passed by (.+): the link leads into the destination folder$"),
         QT_TRANSLATE_NOOP("tarnvold::report", "Passed by %1: the link leads into the destination folder")},
        {"Passed by ", QRegularExpression("^Passed by (.+): the link leads back to a folder being walked$"),
         QT_TRANSLATE_NOOP("tarnvold::report", "Passed by %1: the link leads back to a folder being walked")},
        {"Passed by ", QRegularExpression("^Passed by (.+): its destination (.+) is a symbolic link$"),
         QT_TRANSLATE_NOOP("tarnvold::report", "Passed by %1: its destination %2 is a symbolic link")},
        {"Passed by ", QRegularExpression("^Passed by (.+): its destination (.+) is not a folder$"),
         QT_TRANSLATE_NOOP("tarnvold::report", "Passed by %1: its destination %2 is not a folder")},
        {"The destination folder",
         QRegularExpression(
             "^The destination folder is the source folder or lies inside it, nothing was written: (.+)$"),
         QT_TRANSLATE_NOOP("tarnvold::report",
                           "The destination folder is the source folder or lies inside it, nothing was written: %1")},
        {"Source and destination",
         QRegularExpression("^Source and destination are the same file, nothing was written: (.+)$"),
         QT_TRANSLATE_NOOP("tarnvold::report", "Source and destination are the same file, nothing was written: %1")},
        {"Password taken as ", QRegularExpression("^Password taken as (.+)$"),
         QT_TRANSLATE_NOOP("tarnvold::report", "Password taken as %1")},
        {"/", QRegularExpression("^(/.*) no longer exists$"),
         QT_TRANSLATE_NOOP("tarnvold::report", "%1 no longer exists")},
    };
    return list;
}

}  // namespace

std::optional<std::string> translated_report(std::string_view text) {
    if (!translations_loaded()) return std::nullopt;
    for (const Report& r : reports()) {
        if (!text.starts_with(r.prefix)) continue;
        const QRegularExpressionMatch m = r.pattern.match(qs(text));
        if (!m.hasMatch()) continue;
        QString out = QCoreApplication::translate("tarnvold::report", r.text);
        for (int i = 1; i <= m.lastCapturedIndex(); ++i) out = out.arg(m.captured(i));
        return ss(out);
    }
    return std::nullopt;
}

}  // namespace tarnvold::ui
