// SPDX-License-Identifier: GPL-3.0-or-later
// What the coding commands need from the window that runs them: the
// standard dialogs, the selection of the file list pane, and the busy state
// of the menus and buttons.  The main window implements it with widgets; the
// tests implement it as a script.
#pragma once

#include "engine/operation.h"

#include <string>
#include <string_view>

namespace tarnvold {

class IoError;

// The entry selected in the file list pane when a button is pressed.
struct Selection {
    enum class Kind { None, File, Folder };
    Kind kind = Kind::None;
    std::string path;  // full path of the entry
};

// What a folder chooser asks for.
enum class FolderQuestion { Source, Destination };

class CommandHost {
public:
    virtual ~CommandHost() = default;

    // The open and save dialogs (filter "All files"): true with the chosen
    // full path, false on Cancel.  Each remembers the name chosen last; the
    // save dialog may propose the output of `op` beside `source`.
    virtual bool open_dialog(std::string& path) = 0;
    virtual bool save_dialog(Operation op, const std::string& source, std::string& path) = 0;
    // The password dialog for `op`: true with a password of at least two
    // characters; false for Cancel or a refused password, leaving `password`
    // untouched.
    virtual bool password_dialog(Operation op, std::string& password) = 0;
    // The folder chooser with the given title, asking for a source or for a
    // destination: true with the chosen folder followed by "/" in
    // `dest_dir`; false leaves `dest_dir` untouched.
    virtual bool folder_dialog(FolderQuestion question, const std::string& title, std::string& dest_dir) = 0;
    // The file list pane's selection, read once when a button is pressed.
    virtual Selection selection() = 0;

    // Busy state: the top-level menu entries File, Options, Help.
    virtual void set_menu_enabled(bool enabled) = 0;
    // "Code object", "Decode object", "Exit".
    virtual void set_buttons_visible(bool visible) = 0;
    // The Stop control, shown while a folder walk runs; using it calls
    // Commands::request_stop.
    virtual void set_stop_visible(bool visible) = 0;
    // While a command runs or waits in a dialog no other command may start:
    // the window disables what could start one.
    virtual void set_commands_blocked(bool blocked) = 0;

    // An input/output error that ended a command: a box with the error
    // icon, the caption "Tarnvold" and the error's text.
    virtual void report_error(const IoError& error) = 0;
};

}  // namespace tarnvold
