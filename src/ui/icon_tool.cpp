// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the program's icon, for the desktop entry (PNG) and the Windows
// executable (ICO, packaging/windows/tarnvold.ico), in the format its name
// ends with:
//   tarnvold_icon OUT.png|OUT.ico
#include "ui/ui_common.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarnvold_icon OUT.png|OUT.ico\n");
        return 2;
    }
    return tarnvold::ui::program_icon().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
