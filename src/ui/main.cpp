// Program start: the application, its six windows, the event loop.

#include "boxes.h"
#include "file_io.h"
#include "main_window.h"
#include "paths.h"
#include "program.h"
#include "qt_text.h"
#include "ui_common.h"

#include <QApplication>
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
// size start-up gave the main window.
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
    // Before any file is written: an interrupted run leaves no temporary file.
    tarnvold::install_interrupt_cleanup();
    QApplication app(argc, argv);
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

    if (const char* quit = std::getenv("TARNVOLD_TEST_QUIT"); quit != nullptr && *quit == '1') {
        // Where start-up placed the window, before the window system adds
        // its frame.
        const QRect frame = main_window.frameGeometry();
        QTimer::singleShot(0, &main_window, [frame] {
            std::fprintf(stderr, "started %dx%d+%d+%d\n", frame.width(), frame.height(), frame.x(), frame.y());
            std::fflush(stderr);
            QCoreApplication::exit(0);
        });
    }
    main_window.show();
    const int rc = QApplication::exec();
    return main_window.exit_code().value_or(rc);
}
