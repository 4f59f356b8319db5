// SPDX-License-Identifier: GPL-3.0-or-later
// Program start: the application, its six windows, the event loop.

#include "ui/main.h"

#include "ui/boxes.h"
#include "ui/command_line.h"
#include "ui/main_window.h"
#include "ui/program.h"
#include "ui/qt_text.h"
#include "ui/ui_common.h"

#include "io/file_io.h"
#include "io/paths.h"
#include "io/shell_entries.h"
#include "tarnvold/version.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnvold::ui {

namespace {

// --help and --version: the text on standard output, 0, or 1 when it
// could not be written.
int print(const std::string& text) {
    if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        std::perror("tarnvold: standard output");
        return 1;
    }
    return 0;
}

// What the command line asks that is answered without a window: the exit
// code, or none when the program is to run.
std::optional<int> answered_without_window(const CommandLine& command) {
    switch (command.action) {
    case CommandLine::Action::Help: return print(kUsage);
    case CommandLine::Action::Version: return print(std::string("tarnvold ") + kReleaseVersion + "\n");
    case CommandLine::Action::UnknownOption:
        std::fprintf(stderr, "tarnvold: unknown option '%s'\nTry 'tarnvold --help' for more information.\n",
                     command.option.c_str());
        return 2;
    case CommandLine::Action::TooManyPaths:
        std::fprintf(stderr, "usage: tarnvold [OPTION]... [FILE-OR-FOLDER]\n");
        return 2;
    case CommandLine::Action::Run: break;
    }
    return std::nullopt;
}

// "tarnvold PATH", as a file manager's "Open with" starts it: the panes open
// on PATH, relative to the folder the program was started in.  The toolkit
// has taken its own options out; its list, not argv, because on Windows argv
// is in the ANSI code page.  Empty when no path was given.
QString path_to_open() {
    std::vector<std::string> remaining;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) remaining.push_back(arguments[i].toStdString());
    const std::vector<std::string> paths = paths_of(remaining);
    if (paths.empty()) return {};
    return QDir::cleanPath(QFileInfo(QString::fromStdString(paths.front())).absoluteFilePath());
}

// Anything under the path, even a link that leads nowhere, is opened; for
// nothing at all the window says so once it is up.
void open_given_path(MainWindow& main_window, const QString& open_path) {
    if (open_path.isEmpty()) return;
    if (name_taken(native_path(open_path))) {
        main_window.open_path(open_path);
        return;
    }
    QTimer::singleShot(0, &main_window, [open_path, &main_window] {
        notice(&main_window, QCoreApplication::translate("tarnvold", "Cannot open %1: no such file or folder.")
                                 .arg(QDir::toNativeSeparators(open_path)));
    });
}

}  // namespace

int run_program(int argc, char** argv, const StartHooks& hooks) {
    // Answered before the application exists: no screen, no window, no file.
    if (const auto code = answered_without_window(read_command_line(std::vector<std::string>(argv + 1, argv + argc))))
        return *code;

    // Before any file is written: an interrupted run leaves no temporary file.
    tarnvold::install_interrupt_cleanup();
    QApplication app(argc, argv);
    const QString open_path = path_to_open();
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
    tarnvold::MainWindow& main_window = *program.main_window;
    if (const auto code = main_window.exit_code()) return *code;
    open_given_path(main_window, open_path);
    // Lives until the event loop has ended.
    std::unique_ptr<QObject> helper;
    if (hooks.windows_ready) helper = hooks.windows_ready(program);
    main_window.show();
    const int rc = QApplication::exec();
    return main_window.exit_code().value_or(rc);
}

}  // namespace tarnvold::ui
