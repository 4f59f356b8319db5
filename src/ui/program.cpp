// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program.h"

#include "ui/about.h"
#include "ui/config_dialog.h"
#include "ui/folder_chooser.h"
#include "ui/help_window.h"
#include "ui/keyboard.h"
#include "ui/main_window.h"
#include "ui/password_dialog.h"
#include "ui/translations.h"
#include "ui/ui_common.h"

namespace tarnvold {

Program::Program(std::string start_dir, std::string program_dir) {
    language.start_dir = std::move(start_dir);
    language.program_dir = std::move(program_dir);
    ui::install_keyboard_style();
    translations = std::make_unique<ui::Translations>(language);

    main_window = std::make_unique<MainWindow>(language, configuration);
    MainWindow* main = main_window.get();
    auto show_main = [main] { main->show(); };

    // The two dialogs a command waits in stay above the main window, which
    // stays usable meanwhile.
    password_dialog = std::make_unique<PasswordDialog>(language, main);
    about_box = std::make_unique<AboutBox>(language);
    about_box->show_main = show_main;
    folder_chooser = std::make_unique<FolderChooser>(language, main);
    config_dialog = std::make_unique<ConfigDialog>(language, configuration, ui::window_font());
    config_dialog->show_main = show_main;
    config_dialog->report_error = [main](const IoError& error) { main->report_error(error); };
    main->attach(password_dialog.get(), about_box.get(), folder_chooser.get(), config_dialog.get(), nullptr);

    help_window = std::make_unique<HelpWindow>(language, [main] { main->start_up(); });
    help_window->show_main = show_main;
    main->attach(password_dialog.get(), about_box.get(), folder_chooser.get(), config_dialog.get(), help_window.get());
}

// The windows go before the language they are registered with.
Program::~Program() {
    help_window.reset();
    config_dialog.reset();
    folder_chooser.reset();
    about_box.reset();
    password_dialog.reset();
    main_window.reset();
}

}  // namespace tarnvold
