#include "terminal.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace tarnvold::cli {
namespace {

std::optional<std::string> read_line_fd(int fd) {
    std::string line;
    char c = 0;
    bool any = false;
    for (;;) {
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        any = true;
        if (c == '\n') break;
        line.push_back(c);
    }
    if (!any) return std::nullopt;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

bool stdin_is_terminal() { return ::isatty(STDIN_FILENO) != 0; }

bool ask_on_terminal(std::string_view question) {
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const std::string prompt = std::string(question) + " [y/N] ";
    if (::write(fd, prompt.data(), prompt.size()) < 0) {
        ::close(fd);
        return false;
    }
    const auto answer = read_line_fd(fd);
    ::close(fd);
    return answer && (*answer == "y" || *answer == "Y" || *answer == "yes" || *answer == "Yes" ||
                      *answer == "YES");
}

std::optional<std::string> read_password_from_terminal(std::string_view prompt) {
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    termios saved{};
    const bool have_termios = ::tcgetattr(fd, &saved) == 0;
    if (have_termios) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    if (::write(fd, prompt.data(), prompt.size()) < 0) { /* the prompt is a courtesy */ }
    auto line = read_line_fd(fd);
    if (have_termios) ::tcsetattr(fd, TCSAFLUSH, &saved);
    ::close(fd);
    return line;
}

std::optional<std::string> read_first_line(std::FILE* stream) {
    std::string line;
    bool any = false;
    int c;
    while ((c = std::fgetc(stream)) != EOF) {
        any = true;
        if (c == '\n' || c == '\r') break;
        line.push_back(static_cast<char>(c));
    }
    if (!any) return std::nullopt;
    return line;
}

std::optional<std::string> read_first_line_of_file(const std::string& path, int* error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        if (error != nullptr) *error = errno;
        return std::nullopt;
    }
    auto line = read_first_line(f);
    std::fclose(f);
    if (!line) line = std::string();
    return line;
}

}  // namespace tarnvold::cli
