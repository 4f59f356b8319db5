// The coding commands of the main window: File > Code / Decode > File and
// > Directory, and the buttons "Code object" and "Decode object".  Each one
// gathers its source, destination and password through the window, hands
// the work to the engine or the folder walk and reports completion.
//
// Every command runs in one call.  While it runs, or waits in one of its
// dialogs, no second command starts: a call made meanwhile returns at once.
// An input/output error ends the command; what it had changed (menu,
// buttons, folder progress, batch mode) is put back before the error is
// reported to the window.
#pragma once

#include <string>

#include "command_host.h"
#include "engine.h"
#include "folder_walk.h"
#include "user_interface.h"

namespace tarnvold {

class Commands {
public:
    Commands(Engine& engine, UserInterface& ui, CommandHost& host);

    void Code1Click();       // File > Code > File
    void Decode1Click();     // File > Decode > File
    void Button1Click();     // "Code object"
    void Button2Click();     // "Decode object"
    void Directory1Click();  // File > Code > Directory
    void Directory2Click();  // File > Decode > Directory

    // True while a command runs or waits in a dialog.
    bool busy() const { return busy_; }

    FolderWalk& walk() { return walk_; }

private:
    class Frame;
    void code_file(Frame& frame);
    void decode_file(Frame& frame);
    void object_file(Frame& frame, bool coding, const std::string& path);
    void object_folder(Frame& frame, bool coding, const std::string& path);
    void directory(Frame& frame, bool coding);
    template <class Body>
    void run(Body&& body);
    void object(bool coding);

    Engine& engine_;
    UserInterface& ui_;
    CommandHost& host_;
    FolderWalk walk_;
    bool busy_ = false;
};

}  // namespace tarnvold
