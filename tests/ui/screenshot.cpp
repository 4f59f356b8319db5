// SPDX-License-Identifier: GPL-3.0-or-later
// Saves a picture of the main window after start-up:
//   xvfb-run -s "-screen 0 1280x1024x24" tarnvold_screenshot FOLDER OUT.png
// The program starts in FOLDER as it would from there.

#include "ui/main_window.h"
#include "ui/program.h"
#include "ui/translations.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarnvold::ui::add_translation_folder(TARNVOLD_QM_DIR);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tarnvold_screenshot FOLDER OUT.png\n");
        return 2;
    }
    const QString out = QDir(QDir::currentPath()).absoluteFilePath(QString::fromLocal8Bit(argv[2]));
    if (!QDir::setCurrent(QString::fromLocal8Bit(argv[1]))) return 2;
    tarnvold::Program program(QDir::currentPath().toStdString());
    program.main_window->show();
    int rc = 1;
    // Let the panes load their folders before the picture is taken.
    QTimer::singleShot(1500, [&] {
        rc = program.main_window->grab().save(out) ? 0 : 1;
        QCoreApplication::exit(0);
    });
    QApplication::exec();
    return rc;
}
