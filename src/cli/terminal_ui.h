// The engine's user interface on a terminal: log lines on standard output
// through the same log device as the window's pane, notices on standard
// error, questions asked on the terminal (or answered without one).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "log_device.h"
#include "user_interface.h"

namespace tarnvold::cli {

struct TerminalOptions {
    bool quiet = false;        // no log lines
    bool yes = false;          // answer Yes to every question
    bool interactive = false;  // questions may be asked on the terminal
};

class TerminalUi : public UserInterface {
public:
    explicit TerminalUi(TerminalOptions options);

    std::string message(int n) override;
    void log_write(std::string_view text) override;
    void log_write(std::int64_t value) override;
    void log_write_line() override;
    bool ask_yes_no(std::string_view text) override;
    void notice(std::string_view text) override;
    void bar_setup(ProgressBarId, std::int64_t, std::int64_t, std::int64_t) override {}
    void bar_set_position(ProgressBarId, std::int64_t) override {}
    void bar_step(ProgressBarId) override {}
    void label_set_caption(LabelId, std::string_view) override {}
    void label_set_visible(LabelId, bool) override {}
    void process_events() override {}

    // True once a question was answered No (or left unanswered).
    bool declined_any() const { return declined_; }

private:
    TerminalOptions options_;
    LogDevice log_;
    bool declined_ = false;
};

}  // namespace tarnvold::cli
