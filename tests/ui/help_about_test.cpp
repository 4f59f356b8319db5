// SPDX-License-Identifier: GPL-3.0-or-later
// The help window's page and links, the project's help pages themselves,
// and the About box.

#include "ui_test_support.h"

#include "ui/about.h"
#include "ui/help_window.h"
#include "ui/ui_common.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>

using namespace tarnvold;
using namespace tarnvold::testing;

class TestHelpAbout : public QObject {
    Q_OBJECT
private slots:
    // With a language whose pages are there, the help shows them; a page
    // not translated is shown in English, and English takes the English
    // pages back.
    void the_help_follows_the_language() {
        TempCwd cwd;
        QDir(cwd.path()).mkpath("help/de");
        write_bytes(cwd.file("help/default.htm"), "<p>Start</p>");
        write_bytes(cwd.file("help/more.htm"), "<p>More text</p>");
        write_bytes(cwd.file("help/de/default.htm"), "<p>Anfang <a href=\"more.htm\">mehr</a></p>");
        write_language(cwd.path(), "deutsch", "G");
        Language language;
        language.start_dir = cwd.path().toStdString();
        HelpWindow help(language, {});
        language.load_lang_file("lang/deutsch.tvl");
        QCOMPARE(control<QTextBrowser>(help, "WebBrowser_v11")->source(),
                 QUrl::fromLocalFile(cwd.file("help/de/default.htm")));
        QVERIFY(control<QTextBrowser>(help, "WebBrowser_v11")->toPlainText().startsWith("Anfang"));
        control<QTextBrowser>(help, "WebBrowser_v11")->setSource(QUrl::fromLocalFile(cwd.file("help/de/more.htm")));
        QVERIFY(control<QTextBrowser>(help, "WebBrowser_v11")->toPlainText().startsWith("More text"));
        language.fill_english_table();
        QCOMPARE(control<QTextBrowser>(help, "WebBrowser_v11")->source(),
                 QUrl::fromLocalFile(cwd.file("help/default.htm")));
    }

    void the_page_is_opened_from_the_current_directory_before_start_up() {
        TempCwd cwd;
        QDir(cwd.path()).mkpath("help");
        write_bytes(cwd.file("help/default.htm"), "<p>Start <a href=\"more.htm\">more</a></p>");
        write_bytes(cwd.file("help/more.htm"), "<p>More text</p>");
        Language language;
        int start_ups = 0;
        QUrl seen_at_start_up;
        auto help = std::make_unique<HelpWindow>(language, [&] {
            ++start_ups;
            // Start-up comes after the page was opened.
            for (QWidget* w : QApplication::allWidgets())
                if (auto* view = qobject_cast<QTextBrowser*>(w)) seen_at_start_up = view->source();
        });
        QCOMPARE(start_ups, 1);
        QCOMPARE(seen_at_start_up, QUrl::fromLocalFile(cwd.file("help/default.htm")));
        QCOMPARE(help->help_address(), "file://" + cwd.file("help/default.htm"));
        QCOMPARE(control<QTextBrowser>(*help, "WebBrowser_v11")->source(),
                 QUrl::fromLocalFile(cwd.file("help/default.htm")));
        QVERIFY(control<QTextBrowser>(*help, "WebBrowser_v11")->toPlainText().startsWith("Start"));

        // The links can be followed from the keyboard.
        help->show();
        control<QTextBrowser>(*help, "WebBrowser_v11")->setFocus();
        QTest::keyClick(control<QTextBrowser>(*help, "WebBrowser_v11"), Qt::Key_Tab);
        QTest::keyClick(control<QTextBrowser>(*help, "WebBrowser_v11"), Qt::Key_Return);
        QTRY_COMPARE(control<QTextBrowser>(*help, "WebBrowser_v11")->source(),
                     QUrl::fromLocalFile(cwd.file("help/more.htm")));

        // Close window, the title bar's close and Escape all hide it and
        // bring the main window back.
        int shown = 0;
        help->show_main = [&] { ++shown; };
        control<QPushButton>(*help, "Button1")->click();
        QVERIFY(!help->isVisible());
        help->show();
        help->close();
        QVERIFY(!help->isVisible());
        help->show();
        QVERIFY(activate(help.get()));
        control<QTextBrowser>(*help, "WebBrowser_v11")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!help->isVisible());
        QCOMPARE(shown, 3);
    }

    void a_missing_page_is_said_in_the_view() {
        TempCwd cwd;
        Language language;
        int start_ups = 0;
        HelpWindow help(language, [&] { ++start_ups; });
        QCOMPARE(start_ups, 1);
        QVERIFY(control<QTextBrowser>(help, "WebBrowser_v11")->toPlainText().contains(cwd.file("help/default.htm")));
    }

    void the_root_keeps_its_own_slash() {
        TempCwd cwd;
#ifdef _WIN32
        QCOMPARE(help_address_for("C:\\"), QString("file://C:\\\\help\\default.htm"));
        QCOMPARE(help_address_for("C:\\Users\\me"), QString("file://C:\\Users\\me\\help\\default.htm"));
#else
        QCOMPARE(help_address_for("/"), QString("file:////help/default.htm"));
        QCOMPARE(help_address_for("/home/me"), QString("file:///home/me/help/default.htm"));
#endif
    }

    void every_link_of_the_help_pages_leads_to_a_page() {
        const QDir dir(QStringLiteral(TARNVOLD_SOURCE_DIR) + "/help");
        const QStringList pages = dir.entryList({"*.htm"}, QDir::Files);
        QVERIFY(pages.contains("default.htm"));
        QSet<QString> reached;
        const QRegularExpression href("href=\"([^\"#]*)");
        for (const QString& page : pages) {
            const QString text = QString::fromUtf8(read_bytes(dir.filePath(page)));
            for (auto m = href.globalMatch(text); m.hasNext();) {
                const QString target = m.next().captured(1);
                QVERIFY2(dir.exists(target), qPrintable(page + " -> " + target));
                if (page == "default.htm") reached.insert(target);
            }
        }
        for (const QString& page : pages)
            if (page != "default.htm") QVERIFY2(reached.contains(page), qPrintable(page));
        // Translated pages, help/<locale>/: of a shipped language, each under
        // the name of an English page, each link to a page of its language
        // or, where that is not translated, to the English one.
        for (const QString& locale : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QVERIFY2(QStringList({"de", "es", "fr", "it", "nl", "pl", "pt", "ru"}).contains(locale),
                     qPrintable(locale));
            const QDir translated(dir.filePath(locale));
            for (const QString& page : translated.entryList({"*.htm"}, QDir::Files)) {
                QVERIFY2(pages.contains(page), qPrintable(locale + "/" + page));
                const QString text = QString::fromUtf8(read_bytes(translated.filePath(page)));
                for (auto m = href.globalMatch(text); m.hasNext();) {
                    const QString target = m.next().captured(1);
                    QVERIFY2(translated.exists(target) || dir.exists(target),
                             qPrintable(locale + "/" + page + " -> " + target));
                }
            }
        }
    }

    // A page that sets a background sets the text colour too (or neither),
    // so that it stays readable with a dark theme.
    void no_page_sets_a_background_alone() {
        const QDir dir(QStringLiteral(TARNVOLD_SOURCE_DIR) + "/help");
        const QRegularExpression tag("<[^>]*>");
        const QRegularExpression background("bgcolor|background", QRegularExpression::CaseInsensitiveOption);
        const QRegularExpression text_colour("(?<![-a-z])color\\s*[:=]|\\btext\\s*=",
                                             QRegularExpression::CaseInsensitiveOption);
        for (const QString& page : dir.entryList({"*.htm"}, QDir::Files)) {
            const QString text = QString::fromUtf8(read_bytes(dir.filePath(page)));
            for (auto m = tag.globalMatch(text); m.hasNext();) {
                const QString t = m.next().captured();
                if (t.contains(background)) QVERIFY2(t.contains(text_colour), qPrintable(page + ": " + t));
            }
        }
    }

    // On a screen smaller than the design the window shrinks to fit, the
    // button still in view below the page; where it fits, the design stands.
    void the_help_window_fits_the_screen() {
        TempCwd cwd;
        Language language;
        HelpWindow help(language, nullptr);
        help.fit_within(QSize(640, 480));
        QVERIFY(help.width() <= 640 && help.height() <= 480);
        QVERIFY(help.rect().contains(control<QPushButton>(help, "Button1")->geometry()));
        QVERIFY(control<QTextBrowser>(help, "WebBrowser_v11")->geometry().bottom() <
                control<QPushButton>(help, "Button1")->y());
        // A screen of 960 x 540 (1920 x 1080 at scale 2), the frame not yet
        // known: room is left for its title bar.
        help.fit_within(QSize(960, 540));
        QVERIFY(help.height() <= 540 - 24);
        help.fit_within(QSize(1280, 1024));
        QCOMPARE(help.size(), QSize(792, 566));
        QCOMPARE(control<QPushButton>(help, "Button1")->geometry(), QRect(320, 544, 153, 17));
        QCOMPARE(control<QTextBrowser>(help, "WebBrowser_v11")->geometry(), QRect(0, 8, 793, 529));
    }

    void about_box() {
        TempCwd cwd;
        Language language;
        AboutBox about(language);
        QCOMPARE(about.windowTitle(), QString("A propos"));
        language.fill_english_table();
        QCOMPARE(about.windowTitle(), QString("About"));
        QCOMPARE(control<QPushButton>(about, "OKButton")->text(), QString("OK"));
        QCOMPARE(control<QLabel>(about, "Version")->text(), QString("Version : 1.5"));
        QCOMPARE(control<QLabel>(about, "ProductName")->text(), QString("Product : Tarnvold"));
        QCOMPARE(control<QLabel>(about, "Comments")->text().count('\n'), 2);
        QVERIFY(control<QLabel>(about, "Comments")->text().contains("GNU GPL 3 or later"));
        QCOMPARE(about.size(), QSize(298, 213));
        // Every line of the comment inside the panel, the button below it.
        QVERIFY(control<QLabel>(about, "Comments")->height() >=
                control<QLabel>(about, "Comments")->heightForWidth(control<QLabel>(about, "Comments")->width()));
        QVERIFY(
            control<QFrame>(about, "Panel1")->contentsRect().contains(control<QLabel>(about, "Comments")->geometry()));
        QVERIFY(control<QPushButton>(about, "OKButton")->y() > control<QFrame>(about, "Panel1")->geometry().bottom());
        QVERIFY(about.rect().contains(control<QPushButton>(about, "OKButton")->geometry()));
        QCOMPARE(ui::program_icon().size(), QSize(32, 32));
        QVERIFY(!control<QLabel>(about, "ProgramIcon")->pixmap().isNull());

        int shown = 0;
        about.show_main = [&] { ++shown; };
        about.show();
        QTest::keyClick(&about, Qt::Key_Return);  // OK is the default button
        QVERIFY(!about.isVisible());
        about.show();
        about.close();
        QVERIFY(!about.isVisible());
        QCOMPARE(shown, 2);
    }
};

TARNVOLD_TEST_MAIN(TestHelpAbout)
#include "help_about_test.moc"
