// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration dialog over a started program: the stored style and
// language, applied at once on OK, dropped on Cancel or a close.

#include "ui/config_dialog.h"

#include "ui_test_support.h"

#include "ui/about.h"
#include "ui/keyboard.h"
#include "ui/main_window.h"
#include "ui/password_dialog.h"
#include "ui/program.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTreeView>

#include <fstream>

using namespace tarnvold;
using namespace tarnvold::testing;

class TestConfigDialog : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TempCwd> cwd;
    std::unique_ptr<BoxScript> boxes;
    std::unique_ptr<Program> p;

    void start(const QByteArray& config) {
        write_bytes(cwd->file("tarnvold_conf.cfg"), config);
        boxes = std::make_unique<BoxScript>();
        p = std::make_unique<Program>(cwd->path().toStdString());
        p->main_window->show();
        boxes->seen.clear();
    }
    static QByteArray compact() {
        config_record r = config_record::defaults();
        r.set_view_style(1);
        return record_bytes(r);
    }
    ConfigDialog& dlg() { return *p->config_dialog; }
    QByteArray stored() { return read_bytes(cwd->file("tarnvold_conf.cfg")); }
    void open_dialog() {
        control<QAction>(*p->main_window, "Configuration1")->trigger();
        QVERIFY(!p->main_window->isVisible());
        QVERIFY(dlg().isVisible());
    }

private slots:
    void init() {
        cwd = std::make_unique<TempCwd>();
        write_language(cwd->path(), "german", "G");
    }
    void cleanup() {
        p.reset();
        boxes.reset();
        cwd.reset();
    }

    void ok_applies_style_and_language_at_once() {
        start(compact());
        open_dialog();
        QVERIFY(control<QRadioButton>(dlg(), "RadioButton1")->isChecked());
        control<QRadioButton>(dlg(), "RadioButton2")->click();
        control<QComboBox>(dlg(), "ComboBox1")
            ->setCurrentIndex(control<QComboBox>(dlg(), "ComboBox1")->findText("german"));
        control<QPushButton>(dlg(), "OKBtn")->click();
        QVERIFY(boxes->seen.empty());
        QVERIFY(!dlg().isVisible());
        QVERIFY(p->main_window->isVisible());
        QCOMPARE(stored()[23], char(0));
        QCOMPARE(stored().mid(24, 16), QByteArray("\x0f"
                                                  "lang\\german.tvl"));
        // The full window, centred by its new size, with no check of the screen.
        QCOMPARE(p->main_window->frameGeometry().size(), QSize(855, 441));
        QCOMPARE(p->main_window->frameGeometry().x(), (screen_width() - 855) / 2);
        QVERIFY(!control<QTreeView>(*p->main_window, "ShellTreeView1")->isHidden());
        // Every window in the new language; the dialog's own title is fixed.
        QCOMPARE(ui::without_mnemonic(control<QMenu>(*p->main_window, "File1")->title()), QString("G1"));
        QCOMPARE(p->about_box->windowTitle(), QString("G4"));
        QCOMPARE(control<QPushButton>(*p->password_dialog, "OKBtn")->text(), QString("G16"));
        QCOMPARE(ui::without_mnemonic(control<QPushButton>(dlg(), "OKBtn")->text()), QString("G16"));
        QCOMPARE(dlg().windowTitle(), QString("Tarnvold configuration"));
    }

    // The radio buttons at 16 and 40 in their group, below its title.
    void layout_and_enter_on_a_focused_cancel() {
        start(compact());
        open_dialog();
        QStyleOptionGroupBox option;
        option.initFrom(control<QGroupBox>(dlg(), "GroupBox1"));
        option.text = control<QGroupBox>(dlg(), "GroupBox1")->title();
        option.lineWidth = 1;
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxContents;
        const QRect title = control<QGroupBox>(dlg(), "GroupBox1")
                                ->style()
                                ->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel,
                                                 control<QGroupBox>(dlg(), "GroupBox1"));
        QVERIFY(title.bottom() < control<QRadioButton>(dlg(), "RadioButton1")->y());
        QCOMPARE(control<QRadioButton>(dlg(), "RadioButton1")->geometry(), QRect(8, 16, 257, 17));
        QCOMPARE(control<QRadioButton>(dlg(), "RadioButton2")->geometry(), QRect(8, 40, 257, 17));
        // A mnemonic of its own for each control, as in the menus.
        QSet<QChar> keys;
        for (const QString& text :
             {control<QGroupBox>(dlg(), "GroupBox1")->title(), control<QRadioButton>(dlg(), "RadioButton1")->text(),
              control<QRadioButton>(dlg(), "RadioButton2")->text(), control<QGroupBox>(dlg(), "GroupBox2")->title(),
              control<QPushButton>(dlg(), "OKBtn")->text(), control<QPushButton>(dlg(), "CancelBtn")->text()}) {
            const qsizetype at = text.indexOf('&');
            QVERIFY2(at >= 0 && at + 1 < text.size() && !keys.contains(text[at + 1].toLower()), qPrintable(text));
            keys.insert(text[at + 1].toLower());
        }

        const QByteArray before = stored();
        control<QRadioButton>(dlg(), "RadioButton2")->click();
        QVERIFY(activate(&dlg()));
        control<QPushButton>(dlg(), "CancelBtn")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!dlg().isVisible());
        QCOMPARE(stored(), before);
    }

    void cancel_and_close_store_nothing_data() {
        QTest::addColumn<bool>("title_bar");
        QTest::newRow("Cancel") << false;
        QTest::newRow("title bar") << true;
    }
    void cancel_and_close_store_nothing() {
        QFETCH(bool, title_bar);
        start(compact());
        const QByteArray before = stored();
        const QRect placed = p->main_window->frameGeometry();
        open_dialog();
        control<QRadioButton>(dlg(), "RadioButton2")->click();
        control<QComboBox>(dlg(), "ComboBox1")
            ->setCurrentIndex(control<QComboBox>(dlg(), "ComboBox1")->findText("german"));
        title_bar ? (void)dlg().close() : control<QPushButton>(dlg(), "CancelBtn")->click();
        QVERIFY(!dlg().isVisible());
        QVERIFY(p->main_window->isVisible());
        QCOMPARE(stored(), before);
        QCOMPARE(p->main_window->frameGeometry(), placed);
        // The radio buttons open on the stored style again; the language
        // choice stays and goes in with the next OK.
        open_dialog();
        QVERIFY(control<QRadioButton>(dlg(), "RadioButton1")->isChecked());
        QCOMPARE(control<QComboBox>(dlg(), "ComboBox1")->currentText(), QString("german"));
        control<QPushButton>(dlg(), "OKBtn")->click();
        QCOMPARE(stored().mid(24, 16), QByteArray("\x0f"
                                                  "lang\\german.tvl"));
    }

    void ok_after_an_invalid_start_changes_nothing() {
        QByteArray bad = compact();
        bad[5] = 'X';
        if (screen_width() < kFullWidth) QSKIP("an invalid configuration starts in the full window");
        start(bad);
        open_dialog();
        QVERIFY(control<QRadioButton>(dlg(), "RadioButton2")->isChecked());  // the zero-filled record
        control<QPushButton>(dlg(), "OKBtn")->click();
        QCOMPARE(boxes->texts(ui::BoxKind::Notice), QStringList{"This is not Tarnvold config file"});
        QVERIFY(!dlg().isVisible());
        QCOMPARE(ui::without_mnemonic(control<QMenu>(*p->main_window, "File1")->title()), QString("File"));
    }

    void language_names_of_11_and_12_characters() {
        write_language(cwd->path(), "abcdefghijk", "K");
        write_language(cwd->path(), "abcdefghijkl", "L");
        start(compact());
        open_dialog();
        control<QComboBox>(dlg(), "ComboBox1")
            ->setCurrentIndex(control<QComboBox>(dlg(), "ComboBox1")->findText("abcdefghijkl"));
        control<QPushButton>(dlg(), "OKBtn")->click();
        QCOMPARE(boxes->texts(ui::BoxKind::Notice), QStringList{"Can not find language file"});
        QCOMPARE(ui::without_mnemonic(control<QMenu>(*p->main_window, "File1")->title()), QString("File"));
        open_dialog();
        control<QComboBox>(dlg(), "ComboBox1")
            ->setCurrentIndex(control<QComboBox>(dlg(), "ComboBox1")->findText("abcdefghijk"));
        control<QPushButton>(dlg(), "OKBtn")->click();
        QCOMPARE(ui::without_mnemonic(control<QMenu>(*p->main_window, "File1")->title()), QString("K1"));
    }

    void language_file_names_are_kept_byte_for_byte() {
        TARNVOLD_SKIP_ON_WINDOWS("file names there are UTF-16, never bytes in an unknown encoding");
        // A name from another system: not UTF-8, and an extension in capitals.
        for (const auto& [file, prefix] :
             {std::pair<std::string, std::string>{"fr\xE9nch.tvl", "F"}, {"GERMAN.TVL", "U"}}) {
            std::string text;
            for (int n = 1; n <= 56; ++n) text += prefix + std::to_string(n) + "\r\n";
            std::ofstream(cwd->path().toStdString() + "/lang/" + file, std::ios::binary) << text;
        }
        start(compact());
        open_dialog();
        const int french = control<QComboBox>(dlg(), "ComboBox1")->findData(QByteArray("fr\xE9nch"));
        QCOMPARE(control<QComboBox>(dlg(), "ComboBox1")->itemText(french), QString("frénch"));
        control<QComboBox>(dlg(), "ComboBox1")->setCurrentIndex(french);
        control<QPushButton>(dlg(), "OKBtn")->click();
        QCOMPARE(stored().mid(24, 16), QByteArray("\x0f"
                                                  "lang\\fr\xE9nch.tvl"));
        QCOMPARE(ui::without_mnemonic(control<QMenu>(*p->main_window, "File1")->title()), QString("F1"));
        // An OK that only changes the style keeps the language.
        open_dialog();
        control<QRadioButton>(dlg(), "RadioButton2")->click();
        control<QPushButton>(dlg(), "OKBtn")->click();
        open_dialog();
        control<QRadioButton>(dlg(), "RadioButton1")->click();
        control<QPushButton>(dlg(), "OKBtn")->click();
        QVERIFY(boxes->seen.empty());
        QCOMPARE(stored().mid(24, 16), QByteArray("\x0f"
                                                  "lang\\fr\xE9nch.tvl"));
        // And the next start finds it again.
        const QByteArray again = stored();
        p.reset();
        boxes.reset();
        start(again);
        QCOMPARE(ui::without_mnemonic(control<QMenu>(*p->main_window, "File1")->title()), QString("F1"));
        QCOMPARE(control<QComboBox>(dlg(), "ComboBox1")->currentIndex(), french);
        open_dialog();
        control<QComboBox>(dlg(), "ComboBox1")
            ->setCurrentIndex(control<QComboBox>(dlg(), "ComboBox1")->findText("GERMAN"));
        control<QPushButton>(dlg(), "OKBtn")->click();
        QCOMPARE(stored().mid(24, 16), QByteArray("\x0f"
                                                  "lang\\GERMAN.TVL"));
        QCOMPARE(ui::without_mnemonic(control<QMenu>(*p->main_window, "File1")->title()), QString("U1"));
    }

    void a_configuration_that_cannot_be_written_keeps_the_dialog() {
        start(compact());
        open_dialog();
        // A folder in the file's place cannot be replaced by the file.
        QFile::remove(cwd->file("tarnvold_conf.cfg"));
        QDir(cwd->path()).mkdir("tarnvold_conf.cfg");
        control<QPushButton>(dlg(), "OKBtn")->click();
        QCOMPARE(boxes->texts(ui::BoxKind::Error).size(), 1);
        QVERIFY(dlg().isVisible());
        QVERIFY(!p->main_window->isVisible());
        control<QPushButton>(dlg(), "CancelBtn")->click();
        QVERIFY(p->main_window->isVisible());
    }
};

TARNVOLD_TEST_MAIN(TestConfigDialog)
#include "config_dialog_test.moc"
