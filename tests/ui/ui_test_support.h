// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the window tests: a fresh current directory per test, boxes
// answered from a script instead of shown, and the files the program reads.
#pragma once

#include "config/config_record.h"
#include "ui/boxes.h"
#include "ui/translations.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace tarnvold::testing {

// Every box the program wanted to show, answered from `answers` (Yes / OK
// when the queue is empty).  Input boxes take their text from `inputs`.
class BoxScript {
public:
    BoxScript() {
        ui::set_box_hook([this](const ui::BoxRequest& request) {
            seen.push_back(request);
            ui::BoxAnswer answer;
            answer.accepted = answers.empty() ? true : answers.front();
            if (!answers.empty()) answers.pop_front();
            answer.value = request.value;
            if (!inputs.empty()) {
                answer.value = inputs.front();
                inputs.pop_front();
            }
            return answer;
        });
    }
    ~BoxScript() { ui::set_box_hook(nullptr); }
    BoxScript(const BoxScript&) = delete;
    BoxScript& operator=(const BoxScript&) = delete;

    QStringList texts(ui::BoxKind kind) const {
        QStringList out;
        for (const auto& r : seen)
            if (r.kind == kind) out << r.text;
        return out;
    }

    std::vector<ui::BoxRequest> seen;
    std::deque<bool> answers;
    std::deque<QString> inputs;
};

// A temporary folder made the current directory for one test.  Its paths
// are in the system's own form (backslashes on Windows), as the program
// shows them.
class TempCwd {
public:
    TempCwd() : saved_(QDir::currentPath()) {
        // The canonical path, as the program reads it back from the system.
        path_ = QDir::toNativeSeparators(QDir(dir_.path()).canonicalPath());
        QDir::setCurrent(path_);
    }
    ~TempCwd() { QDir::setCurrent(saved_); }
    const QString& path() const { return path_; }
    QString file(const QString& name) const { return QDir::toNativeSeparators(path_ + "/" + name); }

private:
    QTemporaryDir dir_;
    QString saved_;
    QString path_;
};

inline QByteArray read_bytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline void write_bytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(bytes);
}

inline QByteArray record_bytes(const config_record& r) {
    return QByteArray(reinterpret_cast<const char*>(r.bytes.data()), static_cast<qsizetype>(r.bytes.size()));
}

// A configuration file with the given style and language path.
inline void write_config(const QString& folder, std::uint8_t style, const std::string& lang_path) {
    config_record r = config_record::defaults();
    r.set_view_style(style);
    r.set_lang_path(lang_path);
    write_bytes(folder + "/tarnvold_conf.cfg", record_bytes(r));
}

// A language file whose entry n is prefix + n.
inline void write_language(const QString& folder, const QString& name, const QString& prefix) {
    QDir(folder).mkpath("lang");
    QByteArray text;
    for (int n = 1; n <= 56; ++n) text += (prefix + QString::number(n)).toLocal8Bit() + "\r\n";
    write_bytes(folder + "/lang/" + name + ".tvl", text);
}

// The control of `window` whose object name is `name` (the control's
// historical name, which it keeps whatever its member is called).  A dialog
// the window owns holds controls of the same names: they are the dialog's,
// not the window's.
template <class T>
T* control(const QObject& window, const char* name) {
    for (T* found : window.findChildren<T*>(QString::fromLatin1(name))) {
        const QObject* up = found->parent();
        while (up != &window && qobject_cast<const QDialog*>(up) == nullptr) up = up->parent();
        if (up == &window) return found;
    }
    qFatal("%s has no control named %s", qPrintable(window.objectName()), name);
}

// Types a text key by key, each key giving one letter as a keyboard with
// those letters does (QTest::keyClicks knows ASCII keys only).
inline void type_letters(QWidget* widget, const QString& text) {
    for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Makes a shown window the active one, so that key presses go to its focus.
inline bool activate(QWidget* window) {
    if (!QTest::qWaitForWindowExposed(window)) return false;
    // Without a window manager the focus request can be lost while the X
    // server is busy (as under the sanitizers): ask again before giving up.
    for (int attempt = 0; attempt < 3; ++attempt) {
        window->raise();
        window->activateWindow();
        QApplication::setActiveWindow(window);
        if (QTest::qWaitForWindowActive(window)) return true;
    }
    return false;
}

// Skips the rest of a test on Windows, where what it checks (named `why`)
// does not exist.
#ifdef _WIN32
#define TARNVOLD_SKIP_ON_WINDOWS(why) QSKIP("not on Windows: " why)
#else
#define TARNVOLD_SKIP_ON_WINDOWS(why) static_cast<void>(why)
#endif

#ifdef _WIN32
inline bool running_as_root() { return false; }
// Windows has no named pipes, sockets or devices in folders: the tests that
// would make them skip first.
struct SpecialFiles {
    int count = 0;
};
inline void make_special_files(const QString&, SpecialFiles&) { QFAIL("no special files on Windows"); }
#else
inline bool running_as_root() { return ::geteuid() == 0; }

// In `dir`: "pipe", a named pipe with no writer; "socket", a bound socket
// (closed with `made`); as root "device", a character device.  `made.count`
// is the number of entries made.
struct SpecialFiles {
    int count = 0;
    int socket = -1;
    SpecialFiles() = default;
    SpecialFiles(const SpecialFiles&) = delete;
    SpecialFiles& operator=(const SpecialFiles&) = delete;
    ~SpecialFiles() {
        if (socket >= 0) ::close(socket);
    }
};
inline void make_special_files(const QString& dir, SpecialFiles& made) {
    QCOMPARE(::mkfifo(QFile::encodeName(dir + "/pipe").constData(), 0600), 0);
    made.socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(made.socket >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(dir + "/socket");
    QVERIFY(path.size() < qsizetype(sizeof address.sun_path));
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    QCOMPARE(::bind(made.socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    made.count = 2;
    if (running_as_root()) {
        QCOMPARE(::mknod(QFile::encodeName(dir + "/device").constData(), S_IFCHR | 0600, makedev(1, 3)), 0);
        ++made.count;
    }
}
#endif

inline int screen_width() { return QGuiApplication::primaryScreen()->geometry().width(); }
inline int screen_height() { return QGuiApplication::primaryScreen()->geometry().height(); }

}  // namespace tarnvold::testing

// Like QTEST_MAIN, but a run with no display uses Qt's offscreen platform.
#define TARNVOLD_TEST_MAIN(TestClass)                                                       \
    int main(int argc, char** argv) {                                                       \
        if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                        \
        QApplication app(argc, argv);                                                       \
        tarnvold::ui::add_translation_folder(TARNVOLD_QM_DIR);                              \
        TestClass test;                                                                     \
        return QTest::qExec(&test, argc, argv);                                             \
    }
