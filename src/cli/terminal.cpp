// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/terminal.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <iterator>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "io/file_io.h"

namespace tarnvold::cli {
namespace {

volatile std::sig_atomic_t g_interrupts = 0;
// Written to by the interrupt handler, so that a wait for an answer ends
// whichever thread the signal reached and however close to the wait it came.
int g_wake[2] = {-1, -1};

// One line from a descriptor.  Ctrl-C during a folder run ends the wait, as
// if nothing had been typed.
std::optional<std::string> read_line_fd(int fd) {
    std::string line;
    char c = 0;
    bool any = false;
    for (;;) {
        pollfd waits[2] = {{fd, POLLIN, 0}, {g_wake[0], POLLIN, 0}};
        if (g_interrupts != 0) return std::nullopt;
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (waits[1].revents != 0) return std::nullopt;
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) break;
        any = true;
        if (c == '\n') break;
        line.push_back(c);
    }
    if (!any) return std::nullopt;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

void write_text(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

// The terminal settings to put back when a signal ends the password prompt.
int g_prompt_fd = -1;
termios g_prompt_saved{};
constexpr int kPromptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void restore_prompt_and_die(int sig) {
    if (g_prompt_fd >= 0) {
        ::tcsetattr(g_prompt_fd, TCSANOW, &g_prompt_saved);
        const char newline = '\n';
        if (::write(g_prompt_fd, &newline, 1) < 0) { /* ending anyway */
        }
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

extern "C" void on_folder_run_interrupt(int sig) {
    if (g_interrupts == 0) {
        g_interrupts = 1;
        if (g_wake[1] >= 0 && ::write(g_wake[1], "x", 1) < 0) { /* the flag alone will do */
        }
        static constexpr char kNote[] =
            "\ntarnvold-cli: stopping after the current file (Ctrl-C again stops at once)\n";
        if (::write(STDERR_FILENO, kNote, sizeof kNote - 1) < 0) { /* only a courtesy */
        }
        return;
    }
    remove_temporaries_now();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

struct sigaction g_previous_interrupt {};

}  // namespace

bool stdin_is_terminal() { return ::isatty(STDIN_FILENO) != 0; }

bool have_terminal() {
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool ask_on_terminal(std::string_view question) {
    if (g_interrupts != 0) return false;
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    write_text(fd, std::string(question) + " [y/N] ");
    const auto answer = read_line_fd(fd);
    if (!answer) write_text(fd, "\n");
    ::close(fd);
    return answer && (*answer == "y" || *answer == "Y" || *answer == "yes" || *answer == "Yes" || *answer == "YES");
}

std::optional<std::string> read_password_from_terminal(std::string_view prompt) {
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    termios saved{};
    const bool have_termios = ::tcgetattr(fd, &saved) == 0;
    struct sigaction previous[std::size(kPromptSignals)]{};
    if (have_termios) {
        g_prompt_saved = saved;
        g_prompt_fd = fd;
        struct sigaction action {};
        action.sa_handler = restore_prompt_and_die;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kPromptSignals); ++i)
            ::sigaction(kPromptSignals[i], &action, &previous[i]);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    write_text(fd, prompt);
    auto line = read_line_fd(fd);
    if (have_termios) {
        ::tcsetattr(fd, TCSAFLUSH, &saved);
        for (std::size_t i = 0; i < std::size(kPromptSignals); ++i)
            ::sigaction(kPromptSignals[i], &previous[i], nullptr);
        g_prompt_fd = -1;
    }
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

std::optional<std::string> read_first_line_of_file(const std::string& path, int& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        error = EISDIR;
        return std::nullopt;
    }
    std::string line;
    char buf[256];
    for (bool done = false; !done;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        for (ssize_t i = 0; i < n && !done; ++i) {
            if (buf[i] == '\n' || buf[i] == '\r')
                done = true;
            else
                line.push_back(buf[i]);
        }
    }
    ::close(fd);
    return line;
}

InterruptGuard::InterruptGuard() {
    g_interrupts = 0;
    struct sigaction action {};
    action.sa_handler = on_folder_run_interrupt;
    sigemptyset(&action.sa_mask);
    if (::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) g_wake[0] = g_wake[1] = -1;
    ::sigaction(SIGINT, &action, &g_previous_interrupt);
}

InterruptGuard::~InterruptGuard() {
    ::sigaction(SIGINT, &g_previous_interrupt, nullptr);
    for (int& fd : g_wake) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

bool interrupt_requested() { return g_interrupts != 0; }

}  // namespace tarnvold::cli
