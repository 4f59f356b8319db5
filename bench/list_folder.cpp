// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window program takes to show a big folder:
//   list_folder FOLDER
// starts the program on FOLDER as "tarnvold FOLDER" would and prints, once
// the file list shows all of FOLDER's entries, the seconds since the
// application was made and the longest time the event loop went without
// handling a 10 ms timer (the window's longest stall), as
//   entries N listed S s, longest stall T s, cpu C s
// bench/list-folder.sh makes the folders and runs it under Xvfb.

#include "ui/main.h"
#include "ui/main_window.h"
#include "ui/program.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>

namespace {

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: list_folder FOLDER\n");
        return 2;
    }
    long expected = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(argv[1])) ++expected;
    QElapsedTimer clock;
    qint64 last_tick = 0;
    qint64 longest = 0;
    int rc = 1;
    tarnvold::ui::StartHooks hooks;
    hooks.application_ready = [&] { clock.start(); };
    hooks.windows_ready = [&](tarnvold::Program& program) {
        auto ticker = std::make_unique<QTimer>();
        ticker->setInterval(10);
        QObject::connect(ticker.get(), &QTimer::timeout, [&, &window = *program.main_window] {
            const qint64 now = clock.nsecsElapsed();
            if (last_tick != 0) longest = std::max(longest, now - last_tick);
            last_tick = now;
            const auto* list = window.findChild<QListView*>("ShellListView1");
            if (list == nullptr || list->viewport()->isHidden()) return;
            if (list->model()->rowCount(list->rootIndex()) != expected) return;
            std::printf("entries %ld listed %.3f s, longest stall %.3f s, cpu %.3f s\n", expected,
                        static_cast<double>(now) * 1e-9, static_cast<double>(longest) * 1e-9, cpu_seconds());
            rc = 0;
            QCoreApplication::exit(0);
        });
        ticker->start();
        return ticker;
    };
    const int exit = tarnvold::ui::run_program(argc, argv, hooks);
    return rc != 0 ? rc : exit;
}
