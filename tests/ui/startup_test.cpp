// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up as the program runs it: the six windows created in a fresh
// folder, with the files start-up finds there.

#include "ui_test_support.h"

#include "config/international.h"
#include "ui/about.h"
#include "ui/config_dialog.h"
#include "ui/folder_chooser.h"
#include "ui/help_window.h"
#include "ui/keyboard.h"
#include "ui/main_window.h"
#include "ui/password_dialog.h"
#include "ui/program.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>

using namespace tarnvold;
using namespace tarnvold::testing;

class TestStartup : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TempCwd> cwd;
    std::unique_ptr<BoxScript> boxes;

    std::unique_ptr<Program> start() { return std::make_unique<Program>(cwd->path().toStdString()); }

    // The main window is in the middle of the screen by its outer size.
    static void check_centred(MainWindow& w, int width, int height) {
        const QRect frame = w.frameGeometry();
        QCOMPARE(frame.size(), QSize(width, height));
        QCOMPARE(frame.x(), (screen_width() - width) / 2);
        QCOMPARE(frame.y(), (screen_height() - height) / 2);
    }

private slots:
    void init() {
        cwd = std::make_unique<TempCwd>();
        boxes = std::make_unique<BoxScript>();
    }
    void cleanup() {
        boxes.reset();
        cwd.reset();
    }

    void first_start_in_an_empty_folder() {
        auto p = start();
        if (screen_width() < kFullWidth) {
            // The default full window does not fit: message 46 with no owner.
            QCOMPARE(p->main_window->exit_code(), std::optional<int>(1));
            QCOMPARE(boxes->texts(ui::BoxKind::Notice), QStringList{"You must have at least 1024x768 display"});
            QCOMPARE(boxes->seen.back().owner, nullptr);
            return;
        }
        QVERIFY(boxes->seen.empty());
        QVERIFY(!p->main_window->exit_code());
        QCOMPARE(read_bytes(cwd->file("tarnvold_conf.cfg")), record_bytes(config_record::defaults()));
        QCOMPARE(read_bytes(cwd->file("tarnvold_conf.cfg")).size(), 45);

        const QByteArray english = read_bytes(cwd->file("lang/english.tvl"));
        QCOMPARE(english.count("\r\n"), 56);
        QVERIFY(english.startsWith("File\r\nOptions\r\nHelp\r\n"));
        QVERIFY(english.endsWith("Close window\r\nSelect language\r\n"));

        QCOMPARE(control<QPlainTextEdit>(*p->main_window, "Memo1")->toPlainText(), QString("Initialisation finished"));
        QCOMPARE(control<QComboBox>(*p->config_dialog, "ComboBox1")->count(), 1);
        QCOMPARE(control<QComboBox>(*p->config_dialog, "ComboBox1")->currentText(), QString("english"));
        check_centred(*p->main_window, 855, 441);
        QVERIFY(!control<QPushButton>(*p->main_window, "Button1")->isHidden());
        QVERIFY(!control<QTreeView>(*p->main_window, "ShellTreeView1")->isHidden());
        QVERIFY(!p->main_window->isVisible());  // shown by the program after start-up
        QVERIFY(!p->main_window->engine().batch_mode);
    }

    void invalid_configuration_keeps_english_and_the_layout_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QByteArray good = record_bytes(config_record::defaults());
        good[23] = 1;  // compact, which must not be applied
        QTest::newRow("44 bytes") << good.left(44) << "Error in configuration file";
        QByteArray lower = good;
        lower[1] = 't';
        QTest::newRow("signature case") << lower << "This is not Tarnvold config file";
        QByteArray length = good;
        length[0] = 19;
        QTest::newRow("signature length") << length << "This is not Tarnvold config file";
    }
    void invalid_configuration_keeps_english_and_the_layout() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        write_bytes(cwd->file("tarnvold_conf.cfg"), bytes);
        auto p = start();
        QCOMPARE(boxes->texts(ui::BoxKind::Notice).value(0), message);
        // The zero-filled record means the full style, checked against 855.
        if (screen_width() < kFullWidth) {
            QCOMPARE(p->main_window->exit_code(), std::optional<int>(1));
            return;
        }
        QCOMPARE(p->main_window->frameGeometry().size(), QSize(855, 441));
        QVERIFY(!control<QPushButton>(*p->main_window, "Button1")->isHidden());
        QCOMPARE(control<QComboBox>(*p->config_dialog, "ComboBox1")->currentIndex(), -1);
        QCOMPARE(ui::without_mnemonic(control<QMenu>(*p->main_window, "File1")->title()), QString("File"));
        QCOMPARE(control<QPlainTextEdit>(*p->main_window, "Memo1")->toPlainText(), QString("Initialisation finished"));
        // The file is left as it was.
        QCOMPARE(read_bytes(cwd->file("tarnvold_conf.cfg")), bytes);
    }

    void configured_language_missing_keeps_english_and_applies_the_style() {
        write_config(cwd->path(), 1, "lang\\german.tvl");
        auto p = start();
        QCOMPARE(boxes->texts(ui::BoxKind::Notice), QStringList{"Can not find language file"});
        QVERIFY(!p->main_window->exit_code());
        check_centred(*p->main_window, 615, 411);
        QVERIFY(control<QPushButton>(*p->main_window, "Button1")->isHidden());
        QVERIFY(control<QPushButton>(*p->main_window, "Button3")->isHidden());
        QVERIFY(control<QListView>(*p->main_window, "ShellListView1")->isHidden());
        QVERIFY(control<QTreeView>(*p->main_window, "ShellTreeView1")->isHidden());
        QVERIFY(!control<QProgressBar>(*p->main_window, "ProgressBar1")->isHidden());
        QCOMPARE(control<QComboBox>(*p->config_dialog, "ComboBox1")->currentIndex(), -1);
        QCOMPARE(ui::without_mnemonic(control<QAction>(*p->main_window, "Exit1")->text()), QString("Exit"));
        QCOMPARE(control<QPlainTextEdit>(*p->main_window, "Memo1")->toPlainText(), QString("Initialisation finished"));
    }

    void a_language_file_recaptions_every_window_hidden_or_not() {
        write_language(cwd->path(), "german", "G");
        write_config(cwd->path(), 1, "lang\\german.tvl");
        auto p = start();
        QVERIFY(boxes->seen.empty());
        MainWindow& f = *p->main_window;
        QCOMPARE(ui::without_mnemonic(control<QMenu>(f, "File1")->title()), QString("G1"));
        QCOMPARE(ui::without_mnemonic(control<QMenu>(f, "Options1")->title()), QString("G2"));
        QCOMPARE(ui::without_mnemonic(control<QMenu>(f, "Help1")->title()), QString("G3"));
        QCOMPARE(ui::without_mnemonic(control<QMenu>(f, "Code1")->title()), QString("G5"));
        QCOMPARE(ui::without_mnemonic(control<QMenu>(f, "Decode1")->title()), QString("G6"));
        QCOMPARE(control<QMenu>(f, "File1")->actions().at(2)->text(), QString());  // the blank entry is left alone
        QCOMPARE(ui::without_mnemonic(control<QAction>(f, "Exit1")->text()), QString("G8"));
        QCOMPARE(ui::without_mnemonic(control<QAction>(f, "file2")->text()), QString("G1"));
        QCOMPARE(ui::without_mnemonic(control<QAction>(f, "Directory2")->text()), QString("G9"));
        QCOMPARE(ui::without_mnemonic(control<QAction>(f, "Configuration1")->text()), QString("G10"));
        QCOMPARE(ui::without_mnemonic(control<QAction>(f, "Help2")->text()), QString("G3"));
        QCOMPARE(ui::without_mnemonic(control<QAction>(f, "About1")->text()), QString("G4"));
        QCOMPARE(control<QPushButton>(f, "Button1")->text(), QString("G14"));  // hidden in this style
        QCOMPARE(control<QPushButton>(f, "Button3")->text(), QString("G8"));
        QCOMPARE(control<QLabel>(f, "Label1")->text(), QString("G13"));
        QCOMPARE(f.windowTitle(), QString("Tarnvold 1.5"));
        QCOMPARE(control<QLabel>(*p->password_dialog, "Label1")->text(), QString("G20"));
        QCOMPARE(control<QPushButton>(*p->password_dialog, "CancelBtn")->text(), QString("G17"));
        QCOMPARE(p->password_dialog->windowTitle(), QString("PassWord"));
        QCOMPARE(control<QPushButton>(*p->folder_chooser, "Button1")->text(), QString("G18"));
        QCOMPARE(control<QPushButton>(*p->folder_chooser, "OKBtn")->text(), QString("G16"));
        QCOMPARE(ui::without_mnemonic(control<QRadioButton>(*p->config_dialog, "RadioButton1")->text()),
                 QString("G11"));
        QCOMPARE(ui::without_mnemonic(control<QGroupBox>(*p->config_dialog, "GroupBox2")->title()), QString("G56"));
        QCOMPARE(p->config_dialog->windowTitle(), QString("Tarnvold configuration"));
        QCOMPARE(control<QPushButton>(*p->help_window, "Button1")->text(), QString("G55"));
        QCOMPARE(p->help_window->windowTitle(), QString("Help"));
        QCOMPARE(p->about_box->windowTitle(), QString("G4"));
        QCOMPARE(control<QPushButton>(*p->about_box, "OKButton")->text(), QString("G16"));
        QCOMPARE(control<QComboBox>(*p->config_dialog, "ComboBox1")->currentText(), QString("german"));
        // The pane's first line comes from the loaded table.
        QCOMPARE(control<QPlainTextEdit>(f, "Memo1")->toPlainText(), QString("G47"));
        // English is written at every start, whatever language is configured.
        QCOMPARE(read_bytes(cwd->file("lang/english.tvl")).count("\r\n"), 56);
    }

    void full_style_size_and_centring() {
        if (screen_width() < kFullWidth) QSKIP("the screen is narrower than the full window");
        write_config(cwd->path(), 0, "lang\\english.tvl");
        auto p = start();
        check_centred(*p->main_window, 855, 441);
        QVERIFY(!control<QListView>(*p->main_window, "ShellListView1")->isHidden());
    }

    void any_style_but_0_is_the_compact_one() {
        write_config(cwd->path(), 2, "lang\\english.tvl");
        auto p = start();
        check_centred(*p->main_window, 615, 411);
        QVERIFY(control<QPushButton>(*p->main_window, "Button2")->isHidden());
    }

    void an_io_error_is_reported_and_leaves_a_usable_window() {
        // "lang" is a file: the English language file cannot be written.
        write_bytes(cwd->file("lang"), "not a folder");
        auto p = start();
        const QStringList errors = boxes->texts(ui::BoxKind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(cwd->file("lang")), qPrintable(errors[0]));
        QVERIFY(!p->main_window->exit_code());
        // The rest of the configuration did not run ...
        QVERIFY(!QFile::exists(cwd->file("tarnvold_conf.cfg")));
        QVERIFY(!control<QPlainTextEdit>(*p->main_window, "Memo1")->toPlainText().contains("Initialisation finished"));
        // ... but the log works for what comes later.
        control<QAction>(*p->main_window, "About1")->trigger();
        QCOMPARE(control<QPlainTextEdit>(*p->main_window, "Memo1")->toPlainText(), QString("About called"));
    }
};

TARNVOLD_TEST_MAIN(TestStartup)
#include "startup_test.moc"
