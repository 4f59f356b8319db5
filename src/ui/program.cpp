// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/program.h"

#include "ui/about.h"
#include "ui/config_dialog.h"
#include "ui/helper.h"
#include "ui/keyboard.h"
#include "ui/main_window.h"
#include "ui/open_dir.h"
#include "ui/password.h"
#include "ui/translations.h"
#include "ui/ui_common.h"

namespace tarnvold {

Program::Program(std::string start_dir, std::string program_dir) {
    language.start_dir = std::move(start_dir);
    language.program_dir = std::move(program_dir);
    ui::install_keyboard_style();
    translations = std::make_unique<ui::Translations>(language);

    Form1 = std::make_unique<TForm1>(language, configuration);
    TForm1* main = Form1.get();
    auto show_main = [main] { main->show(); };

    // The two dialogs a command waits in stay above the main window, which
    // stays usable meanwhile.
    PasswordDlg = std::make_unique<TPasswordDlg>(language, main);
    AboutBox = std::make_unique<TAboutBox>(language);
    AboutBox->show_main = show_main;
    opendir = std::make_unique<Topendir>(language, main);
    config_form = std::make_unique<Tconfig_form>(language, configuration, ui::window_font());
    config_form->show_main = show_main;
    config_form->report_error = [main](const IoError& error) { main->report_error(error); };
    main->attach(PasswordDlg.get(), AboutBox.get(), opendir.get(), config_form.get(), nullptr);

    Form2 = std::make_unique<TForm2>(language, [main] { main->Init_Tarnvold(); });
    Form2->show_main = show_main;
    main->attach(PasswordDlg.get(), AboutBox.get(), opendir.get(), config_form.get(), Form2.get());
}

// The windows go before the language they are registered with.
Program::~Program() {
    Form2.reset();
    config_form.reset();
    opendir.reset();
    AboutBox.reset();
    PasswordDlg.reset();
    Form1.reset();
}

}  // namespace tarnvold
