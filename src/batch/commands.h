// SPDX-License-Identifier: GPL-3.0-or-later
// The coding commands of the main window: File > Code / Decode > File and
// > Directory, and the buttons "Code object" and "Decode object".  Each one
// gathers its source, destination and password through the window, hands
// the work to the engine or the folder walk and reports completion.
//
// Every command runs in one call.  While it runs, or waits in one of its
// dialogs, no second command starts: a call made meanwhile returns at once.
// A folder walk can be stopped between two files, a single file's
// operation at once, leaving nothing of its output (request_stop).
// An input/output error ends the command; what it had changed (menu,
// buttons, folder progress, batch mode) is put back before the error is
// reported to the window.
#pragma once

#include "batch/command_host.h"
#include "batch/folder_walk.h"

#include "engine/engine.h"
#include "engine/user_interface.h"

#include <string>

namespace tarnvold {

class Commands {
public:
    Commands(Engine& engine, UserInterface& ui, CommandHost& host);

    void code_file();      // File > Code > File
    void decode_file();    // File > Decode > File
    void code_object();    // "Code object"
    void decode_object();  // "Decode object"
    void code_folder();    // File > Code > Directory
    void decode_folder();  // File > Decode > Directory

    // True while a command runs or waits in a dialog.
    bool busy() const { return busy_; }
    // True while a folder walk or a single file's operation runs.
    bool stoppable() const { return stoppable_; }
    // True while that is a single file's operation.
    bool single_file() const { return stoppable_ && single_file_; }

    // Asks the running folder walk to end after the file in progress; no
    // effect when none runs.  The command then ends as normally, except
    // that the walk's stop line is shown in a box instead of the completion
    // box, or in no box at all when `quietly` (the program is about to end).
    // A single file's operation ends at once, its output discarded, with the
    // cancel report and no box.
    void request_stop(bool quietly = false);

    FolderWalk& walk() { return walk_; }

private:
    class Frame;
    void code_chosen_file(Frame& frame);
    void decode_chosen_file(Frame& frame);
    void object_file(Frame& frame, Operation op, const std::string& path);
    void object_folder(Frame& frame, Operation op, const std::string& path);
    void chosen_folder(Frame& frame, Operation op);
    template <class Body>
    void run(Body&& body);
    void object(Operation op);
    // The operation of a single-file command; false when it was stopped.
    bool run_file(Frame& frame, Operation op, const std::string& source, const std::string& destination,
                  const std::string& password);
    void run_walk(Frame& frame, Operation op, const std::string& source, const std::string& destination,
                  const std::string& password, bool batch_mode);

    Engine& engine_;
    UserInterface& ui_;
    CommandHost& host_;
    FolderWalk walk_;
    bool busy_ = false;
    bool stoppable_ = false;
    bool single_file_ = false;
    bool stop_ = false;
    bool stop_quietly_ = false;
};

}  // namespace tarnvold
