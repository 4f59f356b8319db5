// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/report_text.h"

#include "ui/qt_text.h"
#include "ui/translations.h"

#include <QCoreApplication>

namespace tarnvold::ui {

namespace {

// The translatable form of a reason, %1 and %2 its parts; nullptr for a
// reason told in English only.
const char* translatable(Why why) {
    switch (why) {
    case Why::StoppedByUser: return QT_TRANSLATE_NOOP("tarnvold::report", "Stopped by the user after %1 of %2 files");
    case Why::IsDestinationFolder:
        return QT_TRANSLATE_NOOP("tarnvold::report", "Passed by %1: it is the destination folder");
    case Why::LinkIntoDestination:
        return QT_TRANSLATE_NOOP("tarnvold::report", "Passed by %1: the link leads into the destination folder");
    case Why::LinkBack:
        return QT_TRANSLATE_NOOP("tarnvold::report", "Passed by %1: the link leads back to a folder being walked");
    case Why::DestinationIsLink:
        return QT_TRANSLATE_NOOP("tarnvold::report", "Passed by %1: its destination %2 is a symbolic link");
    case Why::DestinationNotFolder:
        return QT_TRANSLATE_NOOP("tarnvold::report", "Passed by %1: its destination %2 is not a folder");
    case Why::DestinationInsideSource:
        return QT_TRANSLATE_NOOP(
            "tarnvold::report",
            "The destination folder is the source folder or lies inside it, nothing was written: %1");
    case Why::SameFile:
        return QT_TRANSLATE_NOOP("tarnvold::report",
                                 "Source and destination are the same file, nothing was written: %1");
    case Why::PasswordTakenAs: return QT_TRANSLATE_NOOP("tarnvold::report", "Password taken as %1");
    case Why::NoLongerExists: return QT_TRANSLATE_NOOP("tarnvold::report", "%1 no longer exists");
    default: return nullptr;
    }
}

}  // namespace

std::string report_text(const Reason& reason) {
    const char* words = translatable(reason.why);
    if (words == nullptr || !translations_loaded()) return reason_text(reason);
    const QString text = QCoreApplication::translate("tarnvold::report", words);
    // Both parts go in at once, so that a "%2" in a path stays as it is.
    switch (reason.why) {
    case Why::StoppedByUser: return ss(text.arg(QString::number(reason.done), QString::number(reason.limit)));
    case Why::PasswordTakenAs: return ss(text.arg(qs(reason.other)));
    case Why::DestinationIsLink:
    case Why::DestinationNotFolder: return ss(text.arg(qs(reason.path), qs(reason.other)));
    default: return ss(text.arg(qs(reason.path)));
    }
}

}  // namespace tarnvold::ui
