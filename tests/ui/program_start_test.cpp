// The real program, started as a user would start it, on the screen it is
// given: the width check ends it with exit code 1 in the full style only.

#include "ui_test_support.h"

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
    };
    // Runs the program in `folder` on Qt's offscreen screen, 800 pixels wide,
    // with every box answered Yes and the program ending once it runs.
    static Run run(const QString& folder) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TARNVOLD_TEST_BOXES", "yes");
        env.insert("TARNVOLD_TEST_QUIT", "1");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(folder);
        p.start(TARNVOLD_GUI, {});
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromLocal8Bit(p.readAllStandardError())};
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
    }
};

TARNVOLD_TEST_MAIN(TestProgramStart)
#include "program_start_test.moc"
