// SPDX-License-Identifier: GPL-3.0-or-later
// The program's windows and the state they share, created once in their
// fixed order: main window, password dialog, About box, folder chooser,
// configuration dialog, help window.  The help window's creation ends with
// the start-up sequence, so start-up runs when all six exist and before the
// main window is first shown.
#pragma once

#include "config/config_record.h"
#include "config/international.h"

#include <memory>
#include <string>

namespace tarnvold {

class AboutBox;
class MainWindow;
class HelpWindow;
class PasswordDialog;
class ConfigDialog;
class FolderChooser;
namespace ui {
class Translations;
}

class Program {
public:
    // `start_dir` is the current directory, captured before any window.
    // `program_dir`, the program's own folder, is where the shipped language
    // files and help are found when the start folder has none.
    explicit Program(std::string start_dir, std::string program_dir = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Language language;
    Configuration configuration{language};
    // Before the windows: they find the translations of a language loaded
    // when they re-caption themselves.
    std::unique_ptr<ui::Translations> translations;

    std::unique_ptr<MainWindow> main_window;
    std::unique_ptr<PasswordDialog> password_dialog;
    std::unique_ptr<AboutBox> about_box;
    std::unique_ptr<FolderChooser> folder_chooser;
    std::unique_ptr<ConfigDialog> config_dialog;
    std::unique_ptr<HelpWindow> help_window;
};

}  // namespace tarnvold
