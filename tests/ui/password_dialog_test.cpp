// SPDX-License-Identifier: GPL-3.0-or-later
// The password dialog's wait: what it hands back, and when.

#include "ui/password_dialog.h"

#include "ui_test_support.h"

#include "ui/ui_common.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include <functional>

using namespace tarnvold;
using tarnvold::testing::control;

class TestPasswordDialog : public QObject {
    Q_OBJECT
private:
    Language language;
    std::unique_ptr<tarnvold::testing::TempCwd> cwd;
    std::unique_ptr<PasswordDialog> dlg;
    QLineEdit* box() { return control<QLineEdit>(*dlg, "Password"); }
    QLabel* hint() { return control<QLabel>(*dlg, "Hint"); }

    // Runs execute with `act` done inside the wait; the dialog is closed
    // afterwards whatever `act` did, so a failure cannot hang the test.
    bool run(std::string& password, const std::function<void()>& act, bool confirm = false, int code_page = 0) {
        QTimer::singleShot(0, this, [&] {
            auto end = qScopeGuard([&] {
                if (dlg->waiting()) dlg->close();
            });
            act();
        });
        return dlg->execute(password, confirm, code_page);
    }
    void type(const QString& text) {
        box()->clear();
        tarnvold::testing::type_letters(box(), text);
        QTest::keyClick(box(), Qt::Key_Return);
    }

private slots:
    void init() {
        cwd = std::make_unique<tarnvold::testing::TempCwd>();
        // As at program start: the window exists before the table is filled.
        dlg = std::make_unique<PasswordDialog>(language);
        language.fill_english_table();
    }
    void cleanup() {
        dlg.reset();
        cwd.reset();
    }

    void ok_needs_two_characters_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("result");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("one") << "a" << false;
        QTest::newRow("two") << "ab" << true;
        QTest::newRow("blanks kept") << " a b " << true;
        // Characters count, not the bytes of their UTF-8 form.
        QTest::newRow("one e acute") << "é" << false;
        QTest::newRow("one emoji") << "\U0001F600" << false;
        QTest::newRow("two accented") << "éü" << true;
    }
    void ok_needs_two_characters() {
        QFETCH(QString, typed);
        QFETCH(bool, result);
        std::string password = "earlier";
        const bool got = run(password, [&] {
            // Typed as one key that gives the whole text, as an input method does.
            QTest::sendKeyEvent(QTest::Click, box(), Qt::Key_unknown, typed, Qt::NoModifier);
            control<QPushButton>(*dlg, "OKBtn")->click();
        });
        QCOMPARE(got, result);
        QCOMPARE(QString::fromStdString(password), result ? typed : QString("earlier"));
        QVERIFY(!dlg->isVisible());
    }

    void cancel_escape_and_close_leave_the_variable_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("title bar") << 2;
    }
    void cancel_escape_and_close_leave_the_variable() {
        QFETCH(int, how);
        std::string password = "earlier";
        const bool got = run(password, [&] {
            QTest::keyClicks(box(), "secret");
            if (how == 0) control<QPushButton>(*dlg, "CancelBtn")->click();
            if (how == 1) QTest::keyClick(box(), Qt::Key_Escape);
            if (how == 2) dlg->close();
        });
        QVERIFY(!got);
        QCOMPARE(password, std::string("earlier"));
        QVERIFY(!dlg->isVisible());
    }

    void enter_presses_ok() {
        std::string password;
        QVERIFY(run(password, [&] {
            QTest::keyClicks(box(), "two words");
            QTest::keyClick(box(), Qt::Key_Enter);
        }));
        QCOMPARE(password, std::string("two words"));
    }

    // Enter presses the button that has the focus, OK from the box.
    void enter_on_a_focused_cancel_cancels() {
        std::string password = "earlier";
        QVERIFY(!run(password, [&] {
            QVERIFY(tarnvold::testing::activate(dlg.get()));
            QTest::keyClicks(box(), "secret");
            QCOMPARE(QApplication::focusWidget(), box());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), control<QPushButton>(*dlg, "CancelBtn"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }));
        QCOMPARE(password, std::string("earlier"));
    }

    void the_box_is_empty_at_every_showing() {
        std::string password;
        QVERIFY(run(password, [&] {
            QTest::keyClicks(box(), "first");
            control<QPushButton>(*dlg, "OKBtn")->click();
        }));
        QString seen = "not looked at";
        // A second wait asked for meanwhile is refused at once.
        bool second = true;
        QVERIFY(!run(password, [&] {
            seen = box()->text();
            std::string other;
            second = dlg->execute(other);
            control<QPushButton>(*dlg, "OKBtn")->click();  // nothing typed
        }));
        QCOMPARE(seen, QString());
        QVERIFY(!second);
        QCOMPARE(password, std::string("first"));
    }

    // A refusal is said in the dialog, which goes on waiting; coding asks a
    // second time and takes only the same password.
    void the_dialog_says_why_and_asks_twice_when_told() {
        std::string password = "earlier";
        QVERIFY(run(password, [&] {
            type("a");
            QVERIFY(dlg->waiting());
            QVERIFY(hint()->isVisible() && !control<QLabel>(*dlg, "Label1")->isVisible());
            QCOMPARE(hint()->text(), QString("At least two characters are needed"));
            // The refusal's colour reads on a light and on a dark dialog.
            for (const QColor& background : {QColor(Qt::white), QColor(0xEF, 0xEF, 0xEF), QColor(0x2A, 0x2A, 0x2A)}) {
                QPalette palette = dlg->palette();
                palette.setColor(QPalette::Window, background);
                palette.setColor(QPalette::WindowText, background.lightness() > 128 ? Qt::black : Qt::white);
                dlg->setPalette(palette);
                type("a");
                QVERIFY(ui::contrast(hint()->palette().color(QPalette::WindowText), background) >= 4.5);
            }
            type("ab");
        }));
        QCOMPARE(password, std::string("ab"));
        QVERIFY(!hint()->isVisible());

        const QSize size = dlg->size();
        QVERIFY(run(
            password,
            [&] {
                type("first");
                QVERIFY(dlg->waiting());
                QCOMPARE(hint()->text(), QString("Enter the password again"));
                QVERIFY(box()->text().isEmpty());
                type("frist");  // a typo: asked anew from the start
                QVERIFY(dlg->waiting());
                QCOMPARE(hint()->text(), QString("The two passwords differ; enter it anew"));
                type("second");
                type("second");
            },
            true));
        QCOMPARE(password, std::string("second"));
        QCOMPARE(dlg->size(), size);

        // A letter the required code page has no byte for is named.
        QVERIFY(run(
            password,
            [&] {
                type(QString::fromUtf8("\u0142\u00f3d\u017a"));
                QVERIFY(dlg->waiting());
                QCOMPARE(hint()->text(), QString::fromUtf8("\"\u0142\" is not in Windows-1252"));
                type(QString::fromUtf8("l\u00f3dz"));
            },
            false, 1252));
        QCOMPARE(password, std::string("l\u00f3dz"));
    }

    void captions() {
        QCOMPARE(dlg->windowTitle(), QString("PassWord"));
        QCOMPARE(control<QLabel>(*dlg, "Label1")->text(), QString("Enter password"));
        QCOMPARE(control<QPushButton>(*dlg, "CancelBtn")->text(), QString("Cancel"));
        QCOMPARE(box()->echoMode(), QLineEdit::Password);
    }
};

TARNVOLD_TEST_MAIN(TestPasswordDialog)
#include "password_dialog_test.moc"
