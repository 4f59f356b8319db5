// SPDX-License-Identifier: GPL-3.0-or-later
// The language files the package ships: each is laid out as the program
// writes its own English file, keeps the role of every English entry, loads,
// and re-captions every window with captions that fit their controls.

#include "ui/translations.h"

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
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStringDecoder>
#include <QStyle>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>

#include <utility>

using namespace tarnvold;
using namespace tarnvold::testing;

namespace {

const QString kShipped = QStringLiteral(TARNVOLD_SOURCE_DIR "/packaging/lang");

// A text fits a control when it leaves the room of the style's margin and
// frame, as the style counts them for a button's size hint.
bool text_fits(const QWidget* w, const QString& text) {
    const QStyle* style = w->style();
    const int room = style->pixelMetric(QStyle::PM_ButtonMargin) + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
    return QFontMetrics(w->font()).horizontalAdvance(text) + room <= w->width();
}

}  // namespace

class TestTranslations : public QObject {
    Q_OBJECT
private slots:
    // Every text the window's code gives to tr(), as lupdate finds it in the
    // sources now, has a translation in the .qm file of each shipped
    // language.
    void every_added_text_is_translated() {
        TARNVOLD_SKIP_ON_WINDOWS("lupdate is a tool of the build machine; the Linux run covers the same sources");
        QTemporaryDir dir;
        const QString ts = dir.filePath("all.ts");
        QProcess lupdate;
        lupdate.start(TARNVOLD_LUPDATE, {"-silent", "-no-obsolete", "-locations", "none", "-I",
                                         TARNVOLD_SOURCE_DIR "/src", TARNVOLD_SOURCE_DIR "/src/ui", "-ts", ts});
        QVERIFY2(lupdate.waitForFinished(120000) && lupdate.exitCode() == 0, TARNVOLD_LUPDATE);
        QFile file(ts);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QList<std::pair<QString, QString>> texts;
        QString context;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement()) continue;
            if (xml.name() == u"name") context = xml.readElementText();
            if (xml.name() == u"source") texts.append({context, xml.readElementText()});
        }
        QVERIFY(texts.size() > 20);
        const QStringList files = QDir(kShipped).entryList({"*.tvl"}, QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 8);
        for (const QString& tvl : files) {
            const QString locale = ui::locale_of_language(tvl.chopped(4));
            QVERIFY2(!locale.isEmpty(), qPrintable(tvl));
            QTranslator translator;
            QVERIFY2(translator.load("tarnvold_" + locale, TARNVOLD_QM_DIR), qPrintable(locale));
            for (const auto& [where, text] : texts)
                QVERIFY2(!translator.translate(where.toUtf8(), text.toUtf8()).isEmpty(),
                         qPrintable(locale + ": " + where + ": " + text));
        }
    }

    // With a shipped language chosen, the toolkit's texts and the program's
    // own follow it; English takes them back.
    void the_toolkit_and_added_texts_follow_the_language() {
        TempCwd cwd;
        BoxScript boxes;
        QDir(cwd.path()).mkpath("lang");
        QVERIFY(QFile::copy(kShipped + "/deutsch.tvl", cwd.file("lang/deutsch.tvl")));
        write_config(cwd.path(), 1, "lang\\deutsch.tvl");
        Program p(cwd.path().toStdString());
        auto buttons = [] {
            QMessageBox box(QMessageBox::NoIcon, "Tarnvold", "?", QMessageBox::Yes | QMessageBox::No);
            return QStringList{ui::without_mnemonic(box.button(QMessageBox::Yes)->text()),
                               ui::without_mnemonic(box.button(QMessageBox::No)->text())};
        };
        QCOMPARE(buttons(), (QStringList{"Ja", "Nein"}));
        QCOMPARE(control<QPushButton>(*p.main_window, "StopButton")->text(), QString("Anhalten"));
        // Reports of the walk reach the log translated from their values,
        // whatever the paths look like; a line that only reads like one, a
        // file's name, stays as it is.
        const auto last_line = [&p] {
            return control<QPlainTextEdit>(*p.main_window, "Memo1")->toPlainText().section('\n', -1);
        };
        p.main_window->log_reason({.why = Why::StoppedByUser, .limit = 3, .done = 1});
        QCOMPARE(last_line(), QString("Vom Benutzer angehalten nach 1 von 3 Dateien"));
        p.main_window->log_reason({.why = Why::NoLongerExists, .path = "C:\\Daten\\q"});
        QCOMPARE(last_line(), QString("C:\\Daten\\q gibt es nicht mehr"));
        p.main_window->log_reason({.why = Why::DestinationIsLink, .path = "D:\\a%2", .other = "E:\\b"});
        QCOMPARE(last_line(), QString("Übergangen: D:\\a%2: sein Ziel E:\\b ist ein symbolischer Link"));
        p.main_window->UserInterface::log_line("/tmp/q no longer exists");
        QCOMPARE(last_line(), QString("/tmp/q no longer exists"));
        p.language.fill_english_table();
        p.main_window->log_reason({.why = Why::StoppedByUser, .limit = 3, .done = 1});
        QCOMPARE(last_line(), QString("Stopped by the user after 1 of 3 files"));
        QCOMPARE(buttons(), (QStringList{"Yes", "No"}));
        QCOMPARE(control<QPushButton>(*p.main_window, "StopButton")->text(), QString("Stop"));
    }

    void shipped_file_is_a_faithful_language_file_data() {
        QTest::addColumn<QString>("name");
        const QStringList files = QDir(kShipped).entryList({"*.tvl"}, QDir::Files, QDir::Name);
        QVERIFY2(files.size() >= 8, qPrintable(kShipped));
        for (const QString& f : files) QTest::newRow(qPrintable(f)) << f;
    }
    void shipped_file_is_a_faithful_language_file() {
        QFETCH(QString, name);
        // A name the configuration record can hold: plain ASCII, at most 11
        // characters before ".tvl".
        const QString base = name.chopped(4);
        QVERIFY(base.size() <= 11);
        for (QChar c : base) QVERIFY2(c.unicode() < 0x80 && c.isLetter(), qPrintable(name));

        const QByteArray bytes = read_bytes(kShipped + "/" + name);
        // 56 lines, each ended by CR LF, and nothing else.
        QVERIFY(bytes.endsWith("\r\n"));
        QCOMPARE(bytes.count("\r\n"), 56);
        QCOMPARE(bytes.count('\n'), 56);
        QCOMPARE(bytes.count('\r'), 56);
        QVERIFY2(!bytes.startsWith("\xEF\xBB\xBF"), "a byte-order mark would become part of entry 1");
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(bytes);
        QVERIFY2(!utf8.hasError(), "not valid UTF-8");

        const QStringList lines = text.split("\r\n").mid(0, 56);
        const LangTable& english = builtin_english();
        for (int n = 1; n <= 56; ++n) {
            const QString line = lines[n - 1];
            const QString eng = QString::fromStdString(table_entry(english, n));
            const QByteArray where = name.toUtf8() + " line " + QByteArray::number(n) + ": " + line.toUtf8();
            QVERIFY2(line.toUcs4().size() <= 150, where.constData());
            QVERIFY2(!line.trimmed().isEmpty() || line == eng, where.constData());
            // A path or number follows a trailing blank; questions stay questions.
            QVERIFY2(line.endsWith(' ') == eng.endsWith(' '), where.constData());
            QVERIFY2(line.endsWith('?') == eng.endsWith('?'), where.constData());
            for (QChar c : line) QVERIFY2(c.unicode() >= 0x20 && c != QChar(0x7f), where.constData());
        }

        // Chosen as the language, it loads at start-up ...
        TempCwd cwd;
        BoxScript boxes;
        QDir(cwd.path()).mkpath("lang");
        write_bytes(cwd.file("lang/" + name), bytes);
        write_config(cwd.path(), 1, "lang\\" + base.toStdString() + ".tvl");
        Program p(cwd.path().toStdString());
        QVERIFY(boxes.seen.empty());
        for (int n = 1; n <= 56; ++n) QCOMPARE(QString::fromStdString(p.language.message(n)), lines[n - 1]);
        QCOMPARE(control<QComboBox>(*p.config_dialog, "ComboBox1")->currentText(), base);

        // ... and every caption of every window is its entry.
        auto entry = [&lines](int n) { return lines[n - 1]; };
        MainWindow& f = *p.main_window;
        // clang-format off
        const std::pair<QString, int> captions[] = {
            {ui::without_mnemonic(control<QMenu>(f, "File1")->title()), msg::kFile}, {ui::without_mnemonic(control<QMenu>(f, "Options1")->title()), msg::kOptions}, {ui::without_mnemonic(control<QMenu>(f, "Help1")->title()), msg::kHelp},
            {ui::without_mnemonic(control<QMenu>(f, "Code1")->title()), msg::kCode}, {ui::without_mnemonic(control<QMenu>(f, "Decode1")->title()), msg::kDecode}, {ui::without_mnemonic(control<QAction>(f, "Exit1")->text()), msg::kExit},
            {ui::without_mnemonic(control<QAction>(f, "file2")->text()), msg::kFile}, {ui::without_mnemonic(control<QAction>(f, "File3")->text()), msg::kFile}, {ui::without_mnemonic(control<QAction>(f, "Directory1")->text()), msg::kDirectory},
            {ui::without_mnemonic(control<QAction>(f, "Directory2")->text()), msg::kDirectory}, {ui::without_mnemonic(control<QAction>(f, "Configuration1")->text()), msg::kConfiguration},
            {ui::without_mnemonic(control<QAction>(f, "Help2")->text()), msg::kHelp}, {ui::without_mnemonic(control<QAction>(f, "About1")->text()), msg::kAbout}, {control<QPushButton>(f, "Button1")->text(), msg::kCodeObject},
            {control<QPushButton>(f, "Button2")->text(), msg::kDecodeObject}, {control<QPushButton>(f, "Button3")->text(), msg::kExit},
            {control<QLabel>(f, "Label1")->text(), msg::kFolderProgress}, {ui::without_mnemonic(control<QPushButton>(*p.config_dialog, "OKBtn")->text()), msg::kOk},
            {ui::without_mnemonic(control<QPushButton>(*p.config_dialog, "CancelBtn")->text()), msg::kCancel},
            {ui::without_mnemonic(control<QGroupBox>(*p.config_dialog, "GroupBox1")->title()), msg::kSelectViewSettings},
            {ui::without_mnemonic(control<QRadioButton>(*p.config_dialog, "RadioButton1")->text()), msg::kVersion11Style},
            {ui::without_mnemonic(control<QRadioButton>(*p.config_dialog, "RadioButton2")->text()), msg::kVersion15Style},
            {ui::without_mnemonic(control<QGroupBox>(*p.config_dialog, "GroupBox2")->title()), msg::kSelectLanguage},
            {control<QLabel>(*p.password_dialog, "Label1")->text(), msg::kEnterPassword}, {control<QPushButton>(*p.password_dialog, "OKBtn")->text(), msg::kOk},
            {control<QPushButton>(*p.password_dialog, "CancelBtn")->text(), msg::kCancel}, {control<QPushButton>(*p.folder_chooser, "OKBtn")->text(), msg::kOk},
            {control<QPushButton>(*p.folder_chooser, "CancelBtn")->text(), msg::kCancel}, {control<QPushButton>(*p.folder_chooser, "Button1")->text(), msg::kNewDir},
            {control<QPushButton>(*p.help_window, "Button1")->text(), msg::kCloseWindow}, {control<QPushButton>(*p.about_box, "OKButton")->text(), msg::kOk},
            {p.about_box->windowTitle(), msg::kAbout},
        };
        // clang-format on
        for (const auto& [caption, n] : captions) QCOMPARE(caption, entry(n));

        // The controls keep their laid-out sizes, so the texts must fit them.
        TARNVOLD_SKIP_ON_WINDOWS("the offscreen screen there draws with none of Windows' own fonts");
        const QPushButton* buttons[] = {control<QPushButton>(f, "Button1"),
                                        control<QPushButton>(f, "Button2"),
                                        control<QPushButton>(f, "Button3"),
                                        control<QPushButton>(*p.config_dialog, "OKBtn"),
                                        control<QPushButton>(*p.config_dialog, "CancelBtn"),
                                        control<QPushButton>(*p.password_dialog, "OKBtn"),
                                        control<QPushButton>(*p.password_dialog, "CancelBtn"),
                                        control<QPushButton>(*p.folder_chooser, "OKBtn"),
                                        control<QPushButton>(*p.folder_chooser, "CancelBtn"),
                                        control<QPushButton>(*p.folder_chooser, "Button1"),
                                        control<QPushButton>(*p.help_window, "Button1"),
                                        control<QPushButton>(*p.about_box, "OKButton")};
        for (const QPushButton* b : buttons)
            QVERIFY2(text_fits(b, ui::without_mnemonic(b->text())), qPrintable(b->text()));
        for (const QRadioButton* r : {control<QRadioButton>(*p.config_dialog, "RadioButton1"),
                                      control<QRadioButton>(*p.config_dialog, "RadioButton2")})
            QVERIFY2(r->sizeHint().width() <= r->width(), qPrintable(r->text()));
        for (const QGroupBox* g :
             {control<QGroupBox>(*p.config_dialog, "GroupBox1"), control<QGroupBox>(*p.config_dialog, "GroupBox2")})
            QVERIFY2(text_fits(g, ui::without_mnemonic(g->title())), qPrintable(g->title()));
        QVERIFY2(control<QLabel>(f, "Label1")->geometry().right() < control<QPushButton>(f, "Button1")->x(),
                 qPrintable(control<QLabel>(f, "Label1")->text()));
        QVERIFY2(control<QLabel>(*p.password_dialog, "Label1")->geometry().right() < p.password_dialog->width(),
                 qPrintable(control<QLabel>(*p.password_dialog, "Label1")->text()));
        // The password dialog's hints, every line of them, above the box,
        // the dialog grown as far as they need.
        PasswordDialog& dlg = *p.password_dialog;
        for (const char* hint : {"At least two characters are needed", "The two passwords differ; enter it anew"}) {
            dlg.show_hint(QCoreApplication::translate("tarnvold::PasswordDialog", hint), true);
            QVERIFY2(control<QLabel>(dlg, "Hint")->height() >=
                             control<QLabel>(dlg, "Hint")->heightForWidth(control<QLabel>(dlg, "Hint")->width()) &&
                         control<QLabel>(dlg, "Hint")->geometry().bottom() < control<QLineEdit>(dlg, "Password")->y() &&
                         dlg.rect().contains(control<QPushButton>(dlg, "CancelBtn")->geometry()),
                     qPrintable(control<QLabel>(dlg, "Hint")->text()));
        }
        // The folder chooser's titles, whole in its window.
        for (const int n : {msg::kSelectSourceCoding, msg::kSelectSourceDecoding, msg::kSelectDestination}) {
            p.folder_chooser->set_title(entry(n));
            QVERIFY2(p.folder_chooser->width() >= std::min(title_bar_width(entry(n)), 1024), qPrintable(entry(n)));
            QCOMPARE(control<QPushButton>(*p.folder_chooser, "OKBtn")->geometry().right(),
                     p.folder_chooser->width() - 10);
        }
    }
};

TARNVOLD_TEST_MAIN(TestTranslations)
#include "translations_test.moc"
