// SPDX-License-Identifier: GPL-3.0-or-later
// A UserInterface for tests: it records every call in order and answers the
// questions from a script.
#pragma once

#include "config/international.h"
#include "engine/user_interface.h"

#include <cstdint>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvold::testing {

class ScriptUi : public UserInterface {
public:
    // Every call, in order: "log:<line>", "ask:<text>", "notice:<text>",
    // "setup:<bar>:<min>:<max>:<step>", "pos:<bar>:<p>", "step:<bar>",
    // "caption:<label>:<text>", "show:<label>", "hide:<label>", "events";
    // bars and labels by their roles: "checksum", "pass1", "pass2", "folder".
    std::vector<std::string> calls;
    std::vector<std::string> lines;      // the log lines alone
    std::deque<bool> answers;            // answers to the questions, in order
    bool record_steps = true;            // big files: leave the steps out of `calls`
    std::map<ProgressBarId, int> steps;  // bar steps counted per bar

    std::string message(int n) override { return builtin_english().at(static_cast<std::size_t>(n - 1)); }
    void log_write(std::string_view text) override { pending_ += text; }
    void log_write(std::int64_t value) override { pending_ += std::to_string(value); }
    void log_write_line() override {
        lines.push_back(pending_);
        calls.push_back("log:" + pending_);
        pending_.clear();
    }
    bool ask_yes_no(std::string_view text) override {
        calls.push_back("ask:" + std::string(text));
        if (answers.empty()) throw std::logic_error("unscripted question: " + std::string(text));
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void notice(std::string_view text) override { calls.push_back("notice:" + std::string(text)); }
    void bar_setup(ProgressBarId bar, std::int64_t min, std::int64_t max, std::int64_t step) override {
        calls.push_back("setup:" + role(bar) + ":" + std::to_string(min) + ":" + std::to_string(max) + ":" +
                        std::to_string(step));
    }
    void bar_set_position(ProgressBarId bar, std::int64_t p) override {
        calls.push_back("pos:" + role(bar) + ":" + std::to_string(p));
    }
    void bar_step(ProgressBarId bar) override {
        ++steps[bar];
        if (record_steps) calls.push_back("step:" + role(bar));
    }
    void label_set_caption(LabelId label, std::string_view text) override {
        calls.push_back("caption:" + role(label) + ":" + std::string(text));
    }
    void label_set_visible(LabelId label, bool visible) override {
        calls.push_back(std::string(visible ? "show:" : "hide:") + role(label));
    }
    void process_events() override {
        if (record_steps) calls.push_back("events");
    }

    template <class Id>
    static std::string role(Id id) {
        static const char* const names[] = {"checksum", "pass1", "pass2", "folder"};
        return names[static_cast<int>(id)];
    }

    // How often a call was recorded.
    int count(std::string_view call) const {
        int n = 0;
        for (const auto& c : calls)
            if (c == call) ++n;
        return n;
    }
    // The recorded calls that start with a prefix.
    std::vector<std::string> with_prefix(std::string_view prefix) const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.starts_with(prefix)) out.push_back(c);
        return out;
    }

private:
    std::string pending_;
};

}  // namespace tarnvold::testing
