// SPDX-License-Identifier: GPL-3.0-or-later
// The folder chooser's wait: which folder it hands back, and New dir.

#include "ui_test_support.h"

#include "config/message_id.h"
#include "ui/folder_chooser.h"

#include <QApplication>
#include <QFileSystemModel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QTreeView>

#include <functional>

using namespace tarnvold;
using namespace tarnvold::testing;

class TestOpenDir : public QObject {
    Q_OBJECT
private:
    Language language;
    std::unique_ptr<FolderChooser> dlg;
    QTreeView* tree() { return control<QTreeView>(*dlg, "ShellTreeView1"); }
    QPushButton* ok_button() { return control<QPushButton>(*dlg, "OKBtn"); }

    std::unique_ptr<TempCwd> cwd;
    std::unique_ptr<BoxScript> boxes;

    bool run(const std::function<void()>& act) {
        QTimer::singleShot(0, this, [&] {
            auto end = qScopeGuard([&] {
                if (dlg->waiting()) control<QPushButton>(*dlg, "CancelBtn")->click();
            });
            act();
        });
        return dlg->execute("Choose");
    }

    // A mouse click on the folder's node in the tree.
    void click(const QString& path) {
        auto* model = static_cast<QFileSystemModel*>(tree()->model());
        const QModelIndex index = model->index(path);
        QVERIFY2(index.isValid(), qPrintable(path));
        tree()->scrollTo(index);
        QTRY_VERIFY(!tree()->visualRect(index).isEmpty());
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->visualRect(index).center());
        QCOMPARE(QString::fromStdString(dlg->selected_path()), path);
    }

private slots:
    void init() {
        dlg = std::make_unique<FolderChooser>(language);
        language.fill_english_table();
        cwd = std::make_unique<TempCwd>();
        QDir(cwd->path()).mkpath("Data/Out");
        boxes = std::make_unique<BoxScript>();
    }
    void cleanup() {
        boxes.reset();
        dlg.reset();
        cwd.reset();
    }

    void a_clicked_folder_and_the_root() {
        const QString data = cwd->file("Data");
        QVERIFY(run([&] {
            QCOMPARE(dlg->windowTitle(), QString("Choose"));
            QCOMPARE(dlg->size(), QSize(384, 320));
            // The English titles fit the design's width.
            for (const int n : {msg::kSelectSourceCoding, msg::kSelectSourceDecoding, msg::kSelectDestination}) {
                dlg->set_title(QString::fromStdString(language.message(n)));
                QCOMPARE(dlg->size(), QSize(384, 320));
            }
            dlg->set_title("Choose");
            click(data);
            ok_button()->click();
        }));
        QCOMPARE(QString::fromStdString(dlg->dest_dir), data + QDir::separator());
        QVERIFY(!dlg->isVisible());
        // The root keeps its own separator and gets one more.
        const QString root = QDir::toNativeSeparators(QDir::rootPath());
        QVERIFY(run([&] {
            click(root);
            QTest::keyClick(tree(), Qt::Key_Return);  // Enter presses OK
        }));
        QCOMPARE(QString::fromStdString(dlg->dest_dir), root + QDir::separator());
    }

    void cancel_and_ok_without_a_click_keep_dest_dir() {
        dlg->dest_dir = "/earlier/";
        QVERIFY(!run([&] {
            click(cwd->file("Data"));
            control<QPushButton>(*dlg, "CancelBtn")->click();
        }));
        QCOMPARE(dlg->dest_dir, std::string("/earlier/"));
        // The tree still shows Data selected, but this use had no click.
        QVERIFY(!run([&] {
            QCOMPARE(QString::fromStdString(dlg->selected_path()), cwd->file("Data"));
            ok_button()->click();
        }));
        QVERIFY(!run([&] {
            click(cwd->file("Data"));
            dlg->close();  // the title bar's close is Cancel
        }));
        QCOMPARE(dlg->dest_dir, std::string("/earlier/"));
    }

    void a_folder_gone_before_ok_is_refused() {
        dlg->dest_dir = "/earlier/";
        QVERIFY(!run([&] {
            click(cwd->file("Data/Out"));
            QVERIFY(QDir(cwd->file("Data/Out")).removeRecursively());
            ok_button()->click();
        }));
        QCOMPARE(dlg->dest_dir, std::string("/earlier/"));
    }

    // Without a pick in this use, Enter ends the chooser as Cancel does,
    // whether the tree (which has the focus at first) or OK has the focus.
    void enter_without_a_pick_is_cancel_whatever_the_focus() {
        const QString data = cwd->file("Data");
        dlg->select_path(data.toStdString());
        dlg->dest_dir = "/earlier/";
        for (const bool on_ok : {false, true}) {
            QVERIFY(!run([&] {
                QVERIFY(activate(dlg.get()));
                QCOMPARE(QApplication::focusWidget(), tree());
                if (on_ok) ok_button()->setFocus();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                QVERIFY(!dlg->waiting());
            }));
        }
        QCOMPARE(dlg->dest_dir, std::string("/earlier/"));
    }

    // Arrows move, Space picks, Enter presses OK; Enter on a focused Cancel
    // or New dir presses that button.
    void the_keyboard_alone() {
        const QString data = cwd->file("Data");
        auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
        auto focus_tree = [&] {
            QVERIFY(activate(dlg.get()));
            tree()->setFocus();
            QCOMPARE(QApplication::focusWidget(), tree());
        };
        dlg->select_path(data.toStdString());
        QVERIFY(run([&] {
            focus_tree();
            key(Qt::Key_Right);  // open Data
            QTRY_COMPARE(tree()->model()->rowCount(tree()->currentIndex()), 1);
            key(Qt::Key_Down);  // onto Out
            QCOMPARE(QString::fromStdString(dlg->selected_path()), cwd->file("Data/Out"));
            key(Qt::Key_Space);
            key(Qt::Key_Return);
        }));
        QCOMPARE(QString::fromStdString(dlg->dest_dir), cwd->file("Data/Out") + QDir::separator());

        // After a click, Tab on to Cancel: Enter there cancels.
        dlg->dest_dir = "/earlier/";
        QVERIFY(!run([&] {
            focus_tree();
            click(data);
            key(Qt::Key_Tab);
            key(Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), control<QPushButton>(*dlg, "CancelBtn"));
            key(Qt::Key_Return);
        }));
        QCOMPARE(dlg->dest_dir, std::string("/earlier/"));

        // Space picks, Enter on New dir asks for the name, and OK gives the pick.
        boxes->inputs = {"Made"};
        QVERIFY(run([&] {
            focus_tree();
            QCOMPARE(QString::fromStdString(dlg->selected_path()), data);
            key(Qt::Key_Space);
            control<QPushButton>(*dlg, "Button1")->setFocus();
            key(Qt::Key_Return);
            QCOMPARE(boxes->seen.size(), std::size_t{1});
            QVERIFY(dlg->waiting());
            ok_button()->setFocus();
            key(Qt::Key_Return);
        }));
        QCOMPARE(QString::fromStdString(dlg->dest_dir), data + QDir::separator());
        QVERIFY(QFileInfo(cwd->file("Data/Made")).isDir());
    }

    // A folder holding a named pipe with no writer, a socket and a device:
    // the chooser lists it and its subfolder and goes on answering.
    void a_folder_with_special_files() {
        TARNVOLD_SKIP_ON_WINDOWS("named pipes, sockets and devices live outside folders there");
        const QString dir = cwd->file("Data");
        SpecialFiles special;
        make_special_files(dir, special);
        if (QTest::currentTestFailed()) return;
        QVERIFY(run([&] {
            click(dir);
            tree()->expand(tree()->currentIndex());
            QTRY_COMPARE(tree()->model()->rowCount(tree()->currentIndex()), 1);
            click(dir + "/Out");
            ok_button()->click();
        }));
        QCOMPARE(QString::fromStdString(dlg->dest_dir), dir + "/Out/");
    }

    void new_dir_makes_one_level_and_ok_gives_the_parent() {
        boxes->inputs = {"Backup"};
        QVERIFY(run([&] {
            control<QPushButton>(*dlg, "Button1")->click();  // before a click: nothing
            QVERIFY(boxes->seen.empty());
            click(cwd->file("Data"));
            control<QPushButton>(*dlg, "Button1")->click();
            ok_button()->click();
        }));
        QCOMPARE(boxes->seen.size(), std::size_t{1});
        QCOMPARE(boxes->seen[0].kind, ui::BoxKind::Input);
        QCOMPARE(boxes->seen[0].title, QString("Tarnvold"));
        QCOMPARE(boxes->seen[0].text, QString("Enter new directory name"));
        QCOMPARE(boxes->seen[0].value, QString("New dir"));
        QVERIFY(QFileInfo(cwd->file("Data/Backup")).isDir());
        QCOMPARE(QString::fromStdString(dlg->dest_dir), cwd->file("Data") + QDir::separator());
    }

    // A name that cannot be made and a folder that exists already: nothing
    // made, nothing said.
    void new_dir_fails_silently_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("slash") << "a/b";
        QTest::newRow("dot") << ".";
        QTest::newRow("dot dot") << "..";
        QTest::newRow("exists") << "Out";
        QTest::newRow("empty") << "";
    }
    void new_dir_fails_silently() {
        QFETCH(QString, name);
        QDir(cwd->path()).mkpath("Data/a");
        const std::size_t before = entry_count_of(cwd->file("Data"));
        boxes->inputs = {name};
        QVERIFY(!run([&] {
            click(cwd->file("Data"));
            control<QPushButton>(*dlg, "Button1")->click();
            QVERIFY(dlg->waiting());
            control<QPushButton>(*dlg, "CancelBtn")->click();
        }));
        QCOMPARE(boxes->seen.size(), std::size_t{1});  // the input box alone
        QCOMPARE(entry_count_of(cwd->file("Data")), before);
        QVERIFY(!QFileInfo::exists(cwd->file("Data/a/b")));
    }

private:
    static std::size_t entry_count_of(const QString& folder) {
        return static_cast<std::size_t>(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
    }
};

TARNVOLD_TEST_MAIN(TestOpenDir)
#include "open_dir_test.moc"
