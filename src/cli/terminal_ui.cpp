#include "terminal_ui.h"

#include <cstdio>
#include <iostream>

#include "international.h"
#include "terminal.h"

namespace tarnvold::cli {

TerminalUi::TerminalUi(TerminalOptions options)
    : options_(options), log_([quiet = options.quiet](const std::string& line) {
          if (!quiet) {
              std::fwrite(line.data(), 1, line.size(), stdout);
              std::fputc('\n', stdout);
              std::fflush(stdout);
          }
      }) {
    log_.prepare();
    log_.open_for_writing();
}

std::string TerminalUi::message(int n) { return builtin_english().at(static_cast<std::size_t>(n - 1)); }

void TerminalUi::log_write(std::string_view text) { log_.write(text); }
void TerminalUi::log_write(std::int64_t value) { log_.write(value); }
void TerminalUi::log_write_line() { log_.write_line(); }

bool TerminalUi::ask_yes_no(std::string_view text) {
    if (options_.yes) return true;
    bool answer = false;
    if (options_.interactive) answer = ask_on_terminal(text);
    if (!answer) declined_ = true;
    return answer;
}

void TerminalUi::notice(std::string_view text) {
    std::fflush(stdout);
    std::cerr << text << std::endl;
}

}  // namespace tarnvold::cli
