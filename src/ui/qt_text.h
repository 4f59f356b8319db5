// SPDX-License-Identifier: GPL-3.0-or-later
// Texts between the program's 8-bit strings and Qt's strings.  Messages and
// paths are bytes in the system's encoding.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <string>
#include <string_view>

namespace tarnvold::ui {

inline QString qs(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ss(const QString& text) { return text.toLocal8Bit().toStdString(); }

// Appends `text` to `to` as qs() converts it, with no string of its own in
// between.
inline void append_qs(QString& to, std::string_view text) {
    QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
    const qsizetype at = to.size();
    // No byte becomes more than one character.
    to.resize(at + static_cast<qsizetype>(text.size()));
    const QChar* const end =
        decoder.appendToBuffer(to.data() + at, QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    to.truncate(end - to.constData());
}

}  // namespace tarnvold::ui
