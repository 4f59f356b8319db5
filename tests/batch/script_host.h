// SPDX-License-Identifier: GPL-3.0-or-later
// A CommandHost for tests: dialogs answer from scripts (nullopt = Cancel),
// and every call joins the ScriptUi's timeline as "host:<what>".
#pragma once

#include "batch/command_host.h"
#include "io/file_io.h"
#include "support/script_ui.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace tarnvold::testing {

class ScriptHost : public CommandHost {
public:
    using Script = std::deque<std::optional<std::string>>;
    explicit ScriptHost(ScriptUi& ui) : ui_(ui) {}

    Script opens, saves, passwords, folders;
    Selection selected;
    std::function<void()> in_dialog;  // run inside every dialog
    bool menu = true, buttons = true, blocked = false, stop = false;

    bool open_dialog(std::string& p) override { return answer("open", opens, p); }
    bool save_dialog(Operation, const std::string&, std::string& p) override { return answer("save", saves, p); }
    bool password_dialog(Operation, std::string& p) override { return answer("password", passwords, p); }
    bool folder_dialog(FolderQuestion, const std::string& title, std::string& p) override {
        return answer("folder:" + title, folders, p);
    }
    Selection selection() override { return note("selection"), selected; }
    void set_menu_enabled(bool on) override { note(on ? "menu:on" : "menu:off"), menu = on; }
    void set_buttons_visible(bool on) override { note(on ? "buttons:on" : "buttons:off"), buttons = on; }
    void set_stop_visible(bool on) override { note(on ? "stop:on" : "stop:off"), stop = on; }
    void set_commands_blocked(bool on) override { note(on ? "blocked" : "unblocked"), blocked = on; }
    void report_error(const IoError& e) override { note("error:" + std::string(e.what())); }

private:
    void note(const std::string& what) { ui_.calls.push_back("host:" + what); }
    bool answer(const std::string& what, Script& script, std::string& out) {
        note(what);
        if (in_dialog) in_dialog();
        if (script.empty()) throw std::logic_error("unscripted dialog: " + what);
        const auto a = script.front();
        script.pop_front();
        if (a) out = *a;
        return a.has_value();
    }
    ScriptUi& ui_;
};

}  // namespace tarnvold::testing
