// SPDX-License-Identifier: GPL-3.0-or-later
// Program start: the application, its six windows, the event loop.

#include "ui/main.h"

#include "ui/boxes.h"
#include "ui/main_window.h"
#include "ui/program.h"
#include "ui/qt_text.h"
#include "ui/ui_common.h"

#include "io/file_io.h"
#include "io/paths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>

namespace tarnvold::ui {

int run_program(int argc, char** argv, const StartHooks& hooks) {
    // Before any file is written: an interrupted run leaves no temporary file.
    tarnvold::install_interrupt_cleanup();
    QApplication app(argc, argv);
    // "tarnvold PATH", as a file manager's "Open with" starts it: the panes
    // open on PATH.  (The toolkit has taken its own options out of argv.)
    if (argc > 2) {
        std::fprintf(stderr, "usage: tarnvold [FILE-OR-FOLDER]\n");
        return 2;
    }
    // Relative to the folder the program was started in.
    // The toolkit's list, not argv: on Windows argv is in the ANSI code page.
    const QString open_path =
        argc == 2 ? QDir::cleanPath(QFileInfo(QCoreApplication::arguments().value(1)).absoluteFilePath()) : QString();
    QApplication::setApplicationName(QStringLiteral("Tarnvold"));
    QApplication::setWindowIcon(QIcon(tarnvold::ui::program_icon()));
    // Every window, menus and boxes included, in the one font.
    QApplication::setFont(tarnvold::ui::window_font());
    if (hooks.application_ready) hooks.application_ready();

    // Captured once, before any window exists.
    std::string start_dir;
    try {
        start_dir = tarnvold::current_directory();
    } catch (const tarnvold::IoError& error) {
        tarnvold::ui::error_box(nullptr, tarnvold::ui::qs(error.what()));
        return 1;
    }

    tarnvold::Program program(start_dir, tarnvold::ui::native_path(QCoreApplication::applicationDirPath()));
    tarnvold::TForm1& main_window = *program.Form1;
    if (const auto code = main_window.exit_code()) return *code;

    if (!open_path.isEmpty()) {
        if (QFileInfo::exists(open_path) || QFileInfo(open_path).isSymLink()) {
            main_window.open_path(open_path);
        } else {
            QTimer::singleShot(0, &main_window, [open_path, &main_window] {
                tarnvold::ui::notice(&main_window,
                                     QCoreApplication::translate("tarnvold", "Cannot open %1: no such file or folder.")
                                         .arg(QDir::toNativeSeparators(open_path)));
            });
        }
    }
    // Lives until the event loop has ended.
    std::unique_ptr<QObject> helper;
    if (hooks.windows_ready) helper = hooks.windows_ready(program);
    main_window.show();
    const int rc = QApplication::exec();
    return main_window.exit_code().value_or(rc);
}

}  // namespace tarnvold::ui
