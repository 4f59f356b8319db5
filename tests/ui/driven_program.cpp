// SPDX-License-Identifier: GPL-3.0-or-later
// The window program as the window tests and bench/window-walk.sh run it: the
// installed program's start (ui/main.h) with the switches below, which let
// it run with no one at the screen.  None of this is in the installed
// program.

#include "ui/boxes.h"
#include "ui/folder_chooser.h"
#include "ui/help_window.h"
#include "ui/main.h"
#include "ui/main_window.h"
#include "ui/password_dialog.h"
#include "ui/program.h"
#include "ui/translations.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// Switches for the window tests, which run the program with no one at the
// screen.  TARNVOLD_TEST_BOXES=yes|no answers every box that way instead of
// showing it, and prints it on standard error; a file dialog answered yes
// takes the path it would start at.  TARNVOLD_TEST_QUIT=1 ends
// the program as soon as its event loop runs, after printing the place and
// size start-up gave the main window, the folder the file list shows, the
// entry selected there, the languages listed and the help page found.
void install_test_switches() {
    const char* answer = std::getenv("TARNVOLD_TEST_BOXES");
    if (answer == nullptr) return;
    const bool yes = std::strcmp(answer, "yes") == 0;
    tarnvold::ui::set_box_hook([yes](const tarnvold::ui::BoxRequest& request) {
        static const char* const kinds[] = {"question", "notice", "error", "input", "open", "save"};
        std::fprintf(stderr, "box %s%s: %s\n", kinds[static_cast<int>(request.kind)],
                     request.owner == nullptr ? " (no owner)" : "", request.text.toLocal8Bit().constData());
        std::fflush(stderr);
        const bool file =
            request.kind == tarnvold::ui::BoxKind::OpenFile || request.kind == tarnvold::ui::BoxKind::SaveFile;
        return tarnvold::ui::BoxAnswer{yes, file ? request.text : request.value};
    });
}

// TARNVOLD_TEST_DRIVE=FILE runs the folder commands of FILE, one a line,
// its fields separated by tabs:
//     code-dir<TAB>SOURCE<TAB>DESTINATION<TAB>PASSWORD
//     decode-dir<TAB>SOURCE<TAB>DESTINATION<TAB>PASSWORD
//     code-object<TAB><TAB><TAB>PASSWORD
// once the main window is on the screen: it triggers File > Code >
// Directory or File > Decode > Directory and answers the folder chooser
// (source, then destination) and the password dialog through their own
// controls when they show; code-object clicks "Code object" on what the
// list selects (the file given on the command line), the save dialog
// answered by TARNVOLD_TEST_BOXES.  Each command's time, from the menu entry to its
// return, goes to standard output as "drive code-dir 1.234567 s cpu
// 0.345678 s" (the second the processor time of the whole process); then the
// program ends.
// For bench/window-walk.sh; use it with TARNVOLD_TEST_BOXES=yes so that the
// completion box is answered too.
class Driver : public QObject {
public:
    Driver(tarnvold::Program& program, const char* file) : program_(program) {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            std::vector<std::string> fields;
            for (std::size_t from = 0;;) {
                const std::size_t tab = line.find('\t', from);
                fields.push_back(line.substr(from, tab - from));
                if (tab == std::string::npos) break;
                from = tab + 1;
            }
            if (fields.size() == 4) steps_.push_back(fields);
        }
        program_.folder_chooser->installEventFilter(this);
        program_.password_dialog->installEventFilter(this);
        QTimer::singleShot(0, this, [this] { start(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && watched == window_) {
            // Painted as this event is handled; the commands start after it.
            if (window_->isExposed()) {
                window_->removeEventFilter(this);
                window_ = nullptr;
                QTimer::singleShot(0, this, [this] { run(); });
            }
            return false;
        }
        if (event->type() != QEvent::Show) return false;
        // Answered once the dialog waits in its own loop, as a person would.
        if (watched == program_.folder_chooser.get()) {
            QTimer::singleShot(0, this, [this] {
                tarnvold::FolderChooser& chooser = *program_.folder_chooser;
                if (folders_.empty() || !chooser.waiting()) return;
                chooser.choose(folders_.front());
                folders_.pop_front();
            });
        } else if (watched == program_.password_dialog.get()) {
            QTimer::singleShot(0, this, [this] {
                tarnvold::PasswordDialog& dialog = *program_.password_dialog;
                if (!dialog.waiting()) return;
                dialog.answer(password_);
            });
        }
        return false;
    }

private:
    static double cpu_seconds() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    }

    // The commands start once the main window is on the screen, as a person
    // sees it before choosing a menu entry: its first painting is not part
    // of a command.
    void start() {
        QWindow* handle = program_.main_window->windowHandle();
        if (handle == nullptr || handle->isExposed()) {
            run();
            return;
        }
        window_ = handle;
        window_->installEventFilter(this);
    }

    void run() {
        tarnvold::MainWindow& window = *program_.main_window;
        int rc = 0;
        for (const auto& step : steps_) {
            // File > Code > Directory or File > Decode > Directory.
            void (tarnvold::MainWindow::*entry)() =
                step[0] == "code-dir"      ? &tarnvold::MainWindow::code_folder_clicked
                : step[0] == "decode-dir"  ? &tarnvold::MainWindow::decode_folder_clicked
                : step[0] == "code-object" ? &tarnvold::MainWindow::code_object_clicked
                                           : nullptr;
            if (entry == nullptr) {
                std::fprintf(stderr, "drive: unknown command %s\n", step[0].c_str());
                rc = 2;
                break;
            }
            folders_.clear();
            if (step[0] != "code-object") folders_ = {step[1], step[2]};
            password_ = step[3];
            const double cpu_start = cpu_seconds();
            const auto start = std::chrono::steady_clock::now();
            (window.*entry)();
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            std::printf("drive %s %.6f s cpu %.6f s\n", step[0].c_str(), took.count(), cpu_seconds() - cpu_start);
            std::fflush(stdout);
            if (!folders_.empty()) rc = 1;  // a chooser never came
        }
        QCoreApplication::exit(rc);
    }

    tarnvold::Program& program_;
    QWindow* window_ = nullptr;  // the main window's, until it is first exposed
    std::vector<std::vector<std::string>> steps_;
    std::deque<std::string> folders_;
    std::string password_;
};

}  // namespace

int main(int argc, char** argv) {
    tarnvold::ui::StartHooks hooks;
    hooks.application_ready = [] {
        tarnvold::ui::add_translation_folder(TARNVOLD_QM_DIR);
        install_test_switches();
    };
    hooks.windows_ready = [](tarnvold::Program& program) -> std::unique_ptr<QObject> {
        tarnvold::MainWindow& main_window = *program.main_window;
        if (const char* quit = std::getenv("TARNVOLD_TEST_QUIT"); quit != nullptr && *quit == '1') {
            // Where start-up placed the window, before the window system adds
            // its frame.
            const QRect frame = main_window.frameGeometry();
            QTimer::singleShot(0, &main_window, [frame, &main_window, &program] {
                std::string languages;
                for (const std::string& name : program.language.lang_list)
                    languages += (languages.empty() ? "" : ",") + name;
                const QString help = program.help_window->help_address().mid(QStringLiteral("file://").size());
                std::string report = QStringLiteral("started %1x%2+%3+%4\nlisted %5\nselected ")
                                         .arg(frame.width())
                                         .arg(frame.height())
                                         .arg(frame.x())
                                         .arg(frame.y())
                                         .arg(QDir::toNativeSeparators(main_window.listed_folder()))
                                         .toStdString() +
                                     main_window.selection().path + "\nlanguages " + languages + "\nhelp " +
                                     (QFileInfo::exists(help) ? help.toStdString() : std::string("missing")) + "\n";
                // TARNVOLD_TEST_REPORT=FILE: there instead, for a start
                // through the shell, which keeps no standard error.
                if (const char* to = std::getenv("TARNVOLD_TEST_REPORT"); to != nullptr && *to != '\0')
                    std::ofstream(to, std::ios::binary) << report;
                else
                    std::fputs(report.c_str(), stderr);
                std::fflush(stderr);
                QCoreApplication::exit(0);
            });
        }
        if (const char* drive = std::getenv("TARNVOLD_TEST_DRIVE"); drive != nullptr && *drive != '\0')
            return std::make_unique<Driver>(program, drive);
        return nullptr;
    };
    return tarnvold::ui::run_program(argc, argv, hooks);
}
