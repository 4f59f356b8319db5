// SPDX-License-Identifier: GPL-3.0-or-later
// Texts are shown as they are: language texts and file names in boxes and
// labels are never read as markup.

#include "ui_test_support.h"

#include "ui/about.h"
#include "ui/boxes.h"
#include "ui/main_window.h"
#include "ui/password_dialog.h"
#include "ui/program.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

using namespace tarnvold;
using namespace tarnvold::testing;

class TestText : public QObject {
    Q_OBJECT
private:
    // Runs `show`, which opens one real box, and hands the box to `look`
    // before closing it.
    static void inspect_box(const std::function<void()>& show, const std::function<void(QDialog*)>& look) {
        bool seen = false;
        QTimer::singleShot(0, qApp, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QDialog*>(w); dialog != nullptr && dialog->isVisible()) {
                    seen = true;
                    look(dialog);
                    dialog->reject();
                    return;
                }
        });
        show();
        QVERIFY(seen);
    }

private slots:
    void boxes_show_markup_as_text() {
        const QString name = "/tmp/<i>x</i>.txt: Fichier introuvable";
        inspect_box([&] { ui::error_box(nullptr, name); },
                    [&](QDialog* d) {
                        auto* box = qobject_cast<QMessageBox*>(d);
                        QVERIFY(box != nullptr);
                        QCOMPARE(box->textFormat(), Qt::PlainText);
                        QCOMPARE(box->text(), name);
                    });
        const QString prompt = "<b>Neuer</b> Ordner";
        QString value = "v";
        inspect_box([&] { ui::input_box(nullptr, "Tarnvold", prompt, value); },
                    [&](QDialog* d) {
                        QVERIFY(qobject_cast<QInputDialog*>(d) != nullptr);
                        int prompts = 0;
                        for (QLabel* label : d->findChildren<QLabel*>())
                            if (label->text() == prompt) {
                                ++prompts;
                                QCOMPARE(label->textFormat(), Qt::PlainText);
                            }
                        QCOMPARE(prompts, 1);
                    });
    }

    void labels_show_language_texts_as_text() {
        TempCwd cwd;
        write_language(cwd.path(), "markup", "<b>Wirklich</b> ");
        write_config(cwd.path(), 1, "lang\\markup.tvl");
        BoxScript boxes;
        Program p(cwd.path().toStdString());
        QVERIFY(boxes.seen.empty());
        QCOMPARE(control<QLabel>(*p.password_dialog, "Label1")->text(), QString("<b>Wirklich</b> 20"));
        int labels = 0;
        for (QWidget* window :
             {static_cast<QWidget*>(p.main_window.get()), static_cast<QWidget*>(p.password_dialog.get()),
              static_cast<QWidget*>(p.about_box.get())})
            for (QLabel* label : window->findChildren<QLabel*>()) {
                if (label->text().isEmpty()) continue;  // a picture
                ++labels;
                QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
            }
        QVERIFY(labels >= 5);
    }
};

TARNVOLD_TEST_MAIN(TestText)
#include "text_test.moc"
