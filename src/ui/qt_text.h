// SPDX-License-Identifier: GPL-3.0-or-later
// Texts between the program's 8-bit strings and Qt's strings.  Messages and
// paths are UTF-8 bytes inside the program on every system (the platform
// layer speaks the system's own encoding).
#pragma once

#include <QByteArrayView>
#include <QDir>
#include <QString>
#include <QStringDecoder>

#include <string>
#include <string_view>

namespace tarnvold::ui {

inline QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

inline std::string ss(const QString& text) { return text.toUtf8().toStdString(); }

// A path of the toolkit's (always '/') as the system writes it, for the
// program's own strings: what it shows and logs, what it opens.
inline std::string native_path(const QString& path) { return ss(QDir::toNativeSeparators(path)); }

// Appends `text` to `to` as qs() converts it, with no string of its own in
// between.
inline void append_qs(QString& to, std::string_view text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const qsizetype at = to.size();
    // No byte becomes more than one character.
    to.resize(at + static_cast<qsizetype>(text.size()));
    const QChar* const end =
        decoder.appendToBuffer(to.data() + at, QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    to.truncate(end - to.constData());
}

}  // namespace tarnvold::ui
