// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the program's icon as a PNG file, for the desktop entry:
//   tarnvold_icon OUT.png
#include <QApplication>
#include <QPixmap>
#include <cstdio>

#include "ui/ui_common.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarnvold_icon OUT.png\n");
        return 2;
    }
    return tarnvold::ui::program_icon().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
