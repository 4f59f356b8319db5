// SPDX-License-Identifier: GPL-3.0-or-later
// The real program, started as a user would start it, on the screen it is
// given: the width check ends it with exit code 1 in the full style only; a
// path argument opens the panes on it; --help and --version answer alone.

#include "ui_test_support.h"

#include "tarnvold/version.h"

#include <QApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

using namespace tarnvold::testing;

class TestProgramStart : public QObject {
    Q_OBJECT
private:
    struct Run {
        int code = -1;
        QString err;
        QString out;
    };
    // Runs the program in `folder` on Qt's offscreen screen, 800 pixels wide,
    // with every box answered Yes and the program ending once it runs.
    static Run run(const QString& folder, const QStringList& args = {}, const QString& program = TARNVOLD_GUI) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TARNVOLD_TEST_BOXES", "yes");
        env.insert("TARNVOLD_TEST_QUIT", "1");
        env.insert("HOME", folder);
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder);
        p.start(program, args);
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
        }
        // Lines end in CR LF on Windows' standard error.
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardError()).remove('\r'),
                QString::fromLocal8Bit(p.readAllStandardOutput()).remove('\r')};
    }

private slots:
    void full_style_on_a_narrow_screen_ends_with_1() {
        TempCwd cwd;
        const Run r = run(cwd.path());
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("box notice (no owner): You must have at least 1024x768 display"), qPrintable(r.err));
        QVERIFY2(!r.err.contains("started"), qPrintable(r.err));
        // Start-up got as far as the configuration.
        QCOMPARE(read_bytes(cwd.file("tarnvold_conf.cfg")).size(), 45);
    }

    void compact_style_on_the_same_screen_starts() {
        TempCwd cwd;
        write_config(cwd.path(), 1, "lang\\english.tvl");
        const Run r = run(cwd.path());
        QCOMPARE(r.code, 0);
        QVERIFY2(!r.err.contains("box "), qPrintable(r.err));
        // 615 x 411 in the middle of a screen 800 wide.
        QVERIFY2(r.err.contains(QRegularExpression("started 615x411\\+92\\+\\d+\n")), qPrintable(r.err));
        // The panes on the home folder, nothing selected.  Windows takes the
        // home folder from the user's profile, not from HOME.
#ifdef _WIN32
        const QString home = QDir::toNativeSeparators(QDir::homePath());
#else
        const QString home = cwd.path();
#endif
        QVERIFY2(r.err.contains("listed " + home + "\nselected \n"), qPrintable(r.err));
    }

    // As a file manager's "Open with" starts it.
    void a_path_argument_opens_the_panes_on_it() {
        TempCwd cwd;
        write_config(cwd.path(), 1, "lang\\english.tvl");
        QVERIFY(QDir(cwd.path()).mkpath("in/deeper"));
        write_bytes(cwd.file("in/letter.txt"), "text");
        Run r = run(cwd.path(), {"in/letter.txt"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("listed " + cwd.file("in") + "\nselected " + cwd.file("in/letter.txt") + "\n"),
                 qPrintable(r.err));
        r = run(cwd.path(), {cwd.file("in/deeper")});
        QVERIFY2(r.err.contains("listed " + cwd.file("in/deeper") + "\nselected \n"), qPrintable(r.err));
        r = run(cwd.path(), {"gone.txt"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("box notice: Cannot open " + cwd.file("gone.txt")), qPrintable(r.err));
        r = run(cwd.path(), {"one", "two"});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("usage: tarnvold"), qPrintable(r.err));
        // The toolkit's options are its own; after "--" a name may start
        // with a dash.
        write_bytes(cwd.file("-dash.txt"), "text");
        r = run(cwd.path(), {"-style", "fusion", "--", "-dash.txt"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("selected " + cwd.file("-dash.txt") + "\n"), qPrintable(r.err));
    }

    // --help and --version answer on standard output, with no window and
    // no file written; another option is refused.
    void options_answer_without_a_window() {
        TempCwd cwd;
        Run r = run(cwd.path(), {"--version"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QString("tarnvold ") + tarnvold::kReleaseVersion + "\n");
        r = run(cwd.path(), {"-platform", "offscreen", "-h"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith("Usage: tarnvold [OPTION]... [FILE-OR-FOLDER]\n"), qPrintable(r.out));
        r = run(cwd.path(), {"--bogus", "--help"});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("unknown option '--bogus'"), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(QDir(cwd.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // Started from a folder of its own, the program finds the help and the
    // languages shipped beside it; what it writes stays in the start folder.
    void the_shipped_files_are_found_beside_the_program() {
        TempCwd cwd;
        QVERIFY(QDir(cwd.path()).mkpath("app/help") && QDir(cwd.path()).mkpath("app/lang") &&
                QDir(cwd.path()).mkpath("start"));
        const QString program = cwd.file("app/" + QFileInfo(TARNVOLD_GUI).fileName());
        QVERIFY(QFile::copy(TARNVOLD_GUI, program));
        // Where the toolkit's plugins are, for a test build that has it.
        QFile::copy(QFileInfo(TARNVOLD_GUI).dir().filePath("qt.conf"), cwd.file("app/qt.conf"));
        write_bytes(cwd.file("app/help/default.htm"), "<p>help</p>");
        write_bytes(cwd.file("app/lang/deutsch.tvl"), "");
        write_config(cwd.file("start"), 1, "lang\\english.tvl");
        const Run r = run(cwd.file("start"), {}, program);
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("languages english,deutsch\nhelp " + cwd.file("app/help/default.htm") + "\n"),
                 qPrintable(r.err));
        QVERIFY(QFileInfo::exists(cwd.file("start/lang/english.tvl")));
        QVERIFY(!QFileInfo::exists(cwd.file("app/lang/english.tvl")));
    }
};

TARNVOLD_TEST_MAIN(TestProgramStart)
#include "program_start_test.moc"
