// Program start: the application, its six windows, the event loop.

#include "boxes.h"
#include "file_io.h"
#include "main_window.h"
#include "paths.h"
#include "program.h"
#include "qt_text.h"
#include "ui_common.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Switches for the window tests, which run the program with no one at the
// screen.  TARNVOLD_TEST_BOXES=yes|no answers every box that way instead of
// showing it, and prints it on standard error.  TARNVOLD_TEST_QUIT=1 ends
// the program as soon as its event loop runs, after printing the place and
// size start-up gave the main window, the folder the file list shows and the
// entry selected there.
void install_test_switches() {
    const char* answer = std::getenv("TARNVOLD_TEST_BOXES");
    if (answer == nullptr) return;
    const bool yes = std::strcmp(answer, "yes") == 0;
    tarnvold::ui::set_box_hook([yes](const tarnvold::ui::BoxRequest& request) {
        static const char* const kinds[] = {"question", "notice", "error", "input", "open", "save"};
        std::fprintf(stderr, "box %s%s: %s\n", kinds[static_cast<int>(request.kind)],
                     request.owner == nullptr ? " (no owner)" : "", request.text.toLocal8Bit().constData());
        std::fflush(stderr);
        return tarnvold::ui::BoxAnswer{yes, request.value};
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // "tarnvold PATH", as a file manager's "Open with" starts it: the panes
    // open on PATH.  (The toolkit has taken its own options out of argv.)
    if (argc > 2) {
        std::fprintf(stderr, "usage: tarnvold [FILE-OR-FOLDER]\n");
        return 2;
    }
    // Relative to the folder the program was started in.
    const QString open_path =
        argc == 2 ? QDir::cleanPath(QFileInfo(QFile::decodeName(argv[1])).absoluteFilePath()) : QString();
    QApplication::setApplicationName(QStringLiteral("Tarnvold"));
    QApplication::setWindowIcon(QIcon(tarnvold::ui::program_icon()));
    // Every window, menus and boxes included, in the one font.
    QApplication::setFont(tarnvold::ui::window_font());
    install_test_switches();

    // Captured once, before any window exists.
    std::string start_dir;
    try {
        start_dir = tarnvold::current_directory();
    } catch (const tarnvold::IoError& error) {
        tarnvold::ui::error_box(nullptr, tarnvold::ui::qs(error.what()));
        return 1;
    }

    tarnvold::Program program(start_dir);
    tarnvold::TForm1& main_window = *program.Form1;
    if (const auto code = main_window.exit_code()) return *code;

    if (!open_path.isEmpty()) {
        if (QFileInfo::exists(open_path) || QFileInfo(open_path).isSymLink()) {
            main_window.open_path(open_path);
        } else {
            QTimer::singleShot(0, &main_window, [open_path, &main_window] {
                tarnvold::ui::notice(&main_window, "Cannot open " + open_path + ": no such file or folder.");
            });
        }
    }
    if (const char* quit = std::getenv("TARNVOLD_TEST_QUIT"); quit != nullptr && *quit == '1') {
        // Where start-up placed the window, before the window system adds
        // its frame.
        const QRect frame = main_window.frameGeometry();
        QTimer::singleShot(0, &main_window, [frame, &main_window] {
            std::fprintf(stderr, "started %dx%d+%d+%d\n", frame.width(), frame.height(), frame.x(), frame.y());
            std::fprintf(stderr, "listed %s\nselected %s\n", qPrintable(main_window.listed_folder()),
                         main_window.selection().path.c_str());
            std::fflush(stderr);
            QCoreApplication::exit(0);
        });
    }
    main_window.show();
    const int rc = QApplication::exec();
    return main_window.exit_code().value_or(rc);
}
