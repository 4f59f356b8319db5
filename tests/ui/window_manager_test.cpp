// SPDX-License-Identifier: GPL-3.0-or-later
// The main window under a real window manager, which adds a frame the bare
// X server does not: its outer size and its centring are the frame's.
//
// The test starts its own X server with openbox on it; without them it
// skips.

#include "ui_test_support.h"

#include "ui/config_dialog.h"
#include "ui/main_window.h"
#include "ui/password_dialog.h"
#include "ui/program.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWindow>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarnvold;
using namespace tarnvold::testing;

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

pid_t server_pid = 0;
pid_t manager_pid = 0;
std::string why_skipped;

pid_t spawn(const std::vector<std::string>& command, int keep_fd = -1) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    if (keep_fd >= 0) ::dup2(keep_fd, 3);
    std::vector<char*> argv;
    for (const auto& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

bool on_path(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// An X server of our own, and openbox managing it.  Returns the display.
std::string start_desktop() {
    if (!on_path("Xvfb") || !on_path("openbox") || !on_path("xprop")) {
        why_skipped = "Xvfb, openbox or xprop is not installed (scripts/install-deps.sh installs them)";
        return {};
    }
    int fds[2];
    if (::pipe(fds) != 0) return {};
    // The server writes its display number to descriptor 3 once it listens.
    server_pid = spawn({"Xvfb", "-displayfd", "3", "-screen", "0",
                        std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24", "-nolisten", "tcp"},
                       fds[1]);
    ::close(fds[1]);
    std::string number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) {
        why_skipped = "the X server did not start";
        return {};
    }
    const std::string display = ":" + number;
    ::setenv("DISPLAY", display.c_str(), 1);
    manager_pid = spawn({"openbox", "--sm-disable"});
    // Openbox announces itself on the root window once it manages it, with
    // the list of what it supports, the frame's extents among them.
    for (int i = 0; i < 400; ++i) {
        if (std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && "
                        "xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_FRAME_EXTENTS") == 0)
            return display;
        ::usleep(25000);
    }
    why_skipped = "openbox did not take the display";
    return {};
}

void stop_desktop() {
    for (pid_t pid : {manager_pid, server_pid}) {
        if (pid <= 0) continue;
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
}

}  // namespace

class TestWindowManager : public QObject {
    Q_OBJECT
private:
    static QRect centred(int width, int height) {
        return QRect((kScreenWidth - width) / 2, (kScreenHeight - height) / 2, width, height);
    }

private slots:
    void init() {
        if (!why_skipped.empty()) QSKIP(why_skipped.c_str());
    }

    void the_frame_gets_the_outer_size_and_is_centred() {
        TempCwd cwd;
        BoxScript boxes;
        Program p(cwd.path().toStdString());
        MainWindow& f = *p.main_window;
        f.show();
        // Once the manager has framed it, the frame measures 855 x 441.
        QTRY_VERIFY(!f.windowHandle()->frameMargins().isNull());
        QTRY_COMPARE(f.frameGeometry(), centred(855, 441));
        QVERIFY(f.geometry().height() < 441);
        // The Exit button ends inside the client area with the design's margin.
        QVERIFY(f.centralWidget()->height() - control<QPushButton>(f, "Button3")->geometry().bottom() < 38);

        // The compact style chosen in the dialog: 615 x 411, centred again.
        control<QAction>(f, "Configuration1")->trigger();
        control<QRadioButton>(*p.config_dialog, "RadioButton1")->click();
        control<QPushButton>(*p.config_dialog, "OKBtn")->click();
        QVERIFY(f.isVisible());
        QTRY_COMPARE(f.frameGeometry(), centred(615, 411));
        QVERIFY(boxes.seen.empty());
    }

    // A box shown by start-up, before the main window, changes nothing of
    // its outer size or its place.
    void a_start_up_box_leaves_the_frame_centred() {
        TempCwd cwd;
        write_bytes(cwd.file("tarnvold_conf.cfg"), QByteArray(45, 'x'));
        QStringList seen;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen << box->text();
                box->accept();
            }
        });
        answer.start(20);
        Program p(cwd.path().toStdString());
        answer.stop();
        QCOMPARE(seen, QStringList{"This is not Tarnvold config file"});
        MainWindow& f = *p.main_window;
        f.show();
        QTRY_VERIFY(!f.windowHandle()->frameMargins().isNull());
        // A loaded machine's manager may take a while to apply the fitted size.
        QTRY_COMPARE_WITH_TIMEOUT(f.frameGeometry(), centred(855, 441), 15000);
    }

    // A dialog is centred on its outer size once the manager has framed it.
    void a_dialog_is_centred_on_its_frame() {
        TempCwd cwd;
        BoxScript boxes;
        Program p(cwd.path().toStdString());
        p.main_window->show();
        QRect frame, wanted;
        QTimer::singleShot(0, this, [&] {
            PasswordDialog& d = *p.password_dialog;
            QTRY_VERIFY(!d.windowHandle()->frameMargins().isNull());
            wanted = centred(d.frameGeometry().width(), d.frameGeometry().height());
            QTRY_COMPARE(d.frameGeometry(), wanted);
            frame = d.frameGeometry();
            d.close();
        });
        std::string password;
        QVERIFY(!p.password_dialog->execute(password));
        QVERIFY(frame.height() > 93);  // the title bar is part of it
        QCOMPARE(frame, wanted);
    }
};

int main(int argc, char** argv) {
    if (start_desktop().empty()) {
        // No desktop of our own: the test says why it skips, on any screen.
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else {
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    int rc = 0;
    {
        QApplication app(argc, argv);
        TestWindowManager test;
        rc = QTest::qExec(&test, argc, argv);
    }
    stop_desktop();
    return rc;
}

#include "window_manager_test.moc"
