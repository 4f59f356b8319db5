// Small helpers for talking to the person at the terminal.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnvold::cli {

bool stdin_is_terminal();
// Prints the question and reads y/yes or n/no from the terminal; anything
// else, or no terminal, counts as No.
bool ask_on_terminal(std::string_view question);
// Reads a password from the terminal without echo.
std::optional<std::string> read_password_from_terminal(std::string_view prompt);
// The first line of a stream or file, without its line end (CR and/or LF).
std::optional<std::string> read_first_line(std::FILE* stream);
std::optional<std::string> read_first_line_of_file(const std::string& path, int* error);

}  // namespace tarnvold::cli
