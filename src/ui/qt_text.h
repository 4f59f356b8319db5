// Texts between the program's 8-bit strings and Qt's strings.  Messages and
// paths are bytes in the system's encoding.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tarnvold::ui {

inline QString qs(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ss(const QString& text) { return text.toLocal8Bit().toStdString(); }

}  // namespace tarnvold::ui
