// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/code_pages.h"
#include "io/console.h"
#include "io/file_io.h"
#include "io/file_io_posix.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tarnvold {
namespace {

// Set by the interrupt handler on the main thread, read by whichever thread
// asks; a lock-free atomic is safe for both.
std::atomic<int> g_interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);
// Written to by the interrupt handler, so that a wait for an answer ends
// whichever thread the signal reached and however close to the wait it came.
int g_wake[2] = {-1, -1};

// One line from a descriptor.  Ctrl-C during a folder run ends the wait, as
// if nothing had been typed.
std::optional<std::string> read_line_fd(int fd, bool& too_long) {
    std::string line;
    char c = 0;
    bool any = false;
    too_long = false;
    for (;;) {
        pollfd waits[2] = {{fd, POLLIN, 0}, {g_wake[0], POLLIN, 0}};
        if (g_interrupts.load() != 0) return std::nullopt;
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
        if (line.size() == kLongestLine) {
            too_long = true;
            return std::nullopt;
        }
        line.push_back(c);
    }
    if (!any) return std::nullopt;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// Text for the person at the terminal: what cannot be written is lost.
void write_text(int fd, std::string_view text) { write_fully(fd, text.data(), text.size()); }

// Set when the terminal changed its size: the width is read again.
std::atomic<bool> g_resized{true};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void on_resize(int) { g_resized.store(true); }

// The terminal settings to put back when a signal ends the password prompt,
// and those that hide the typing, to take up again after Ctrl-Z and fg.
int g_prompt_fd = -1;
termios g_prompt_saved{};
termios g_prompt_quiet{};
char g_prompt_text[256] = {};
std::size_t g_prompt_length = 0;
constexpr int kPromptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

bool ignored(int sig) {
    struct sigaction current {};
    return ::sigaction(sig, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) == 0 &&
           current.sa_handler == SIG_IGN;
}

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

// Ctrl-Z at the password prompt: the terminal gets its settings back before
// the process stops; once it is continued, the typing is hidden again and
// the prompt shown again.
extern "C" void stop_at_prompt(int sig) {
    const int saved_errno = errno;
    if (g_prompt_fd >= 0) {
        ::tcsetattr(g_prompt_fd, TCSANOW, &g_prompt_saved);
        const char newline = '\n';
        if (::write(g_prompt_fd, &newline, 1) < 0) { /* a courtesy */
        }
    }
    struct sigaction stop {};
    stop.sa_handler = SIG_DFL;
    sigemptyset(&stop.sa_mask);
    struct sigaction self {};
    ::sigaction(sig, &stop, &self);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(sig);  // stops here until SIGCONT
    ::pthread_sigmask(SIG_BLOCK, &unblock, nullptr);
    ::sigaction(sig, &self, nullptr);
    if (g_prompt_fd >= 0) {
        ::tcsetattr(g_prompt_fd, TCSANOW, &g_prompt_quiet);
        if (::write(g_prompt_fd, g_prompt_text, g_prompt_length) < 0) { /* a courtesy */
        }
    }
    errno = saved_errno;
}

extern "C" void on_folder_run_interrupt(int sig) {
    if (g_interrupts.exchange(1) == 0) {
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
bool g_interrupt_installed = false;

// The controlling terminal, held for one question: its device locked, so
// that another program asking on the same terminal waits until this one
// has put the settings back.  /dev/tty itself is one file for every
// terminal: the lock is taken on the device it stands for.
class HeldTerminal {
public:
    HeldTerminal() {
        fd_ = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) return;
        char name[256];
        if (::ttyname_r(fd_, name, sizeof name) == 0) lock_fd_ = ::open(name, O_RDONLY | O_CLOEXEC | O_NOCTTY);
        const int lock = lock_fd_ >= 0 ? lock_fd_ : fd_;
        // Ctrl-C while waiting ends the wait during a run of several files.
        while (::flock(lock, LOCK_EX) != 0 && errno == EINTR && g_interrupts.load() == 0) {
        }
    }
    ~HeldTerminal() {
        if (lock_fd_ >= 0) ::close(lock_fd_);
        if (fd_ >= 0) ::close(fd_);
    }
    HeldTerminal(const HeldTerminal&) = delete;
    HeldTerminal& operator=(const HeldTerminal&) = delete;
    int fd() const { return fd_; }

private:
    int fd_ = -1;
    int lock_fd_ = -1;
};

// The first line from a descriptor, up to kLongestLine bytes.
FirstLine first_line_of(int fd) {
    return first_line_from([fd](char* buf, std::size_t size, int& error) -> std::ptrdiff_t {
        for (;;) {
            const ssize_t n = ::read(fd, buf, size);
            if (n >= 0) return n;
            if (errno != EINTR) {
                error = errno;
                return -1;
            }
        }
    });
}

}  // namespace

void prepare_standard_streams() {
    // A reader that goes away (| head) is an input/output error on standard
    // output, told and counted like any other, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
}

bool is_console(int fd) { return ::isatty(fd) != 0; }

int write_descriptor(int fd, std::string_view text) { return write_fully(fd, text.data(), text.size()); }

bool console_takes_escapes() { return true; }

bool console_in_foreground() {
    const pid_t group = ::tcgetpgrp(STDERR_FILENO);
    return group >= 0 && group == ::getpgrp();
}

std::size_t console_width() {
    static std::size_t width = 80;
    static bool watching = false;
    if (!watching) {
        watching = true;
        struct sigaction action {};
        action.sa_handler = on_resize;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGWINCH, &action, nullptr);
    }
    if (g_resized.exchange(false)) {
        winsize size{};
        width = ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
    }
    return width;
}

bool have_console() {
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

void wait_for_input(int fd) {
    pollfd wait{fd, POLLIN, 0};
    while (::poll(&wait, 1, -1) < 0 && errno == EINTR) {
    }
}

void end_by_interrupt() {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, SIG_DFL);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, SIGINT);
    ::pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(SIGINT);
}

std::optional<std::string> ask_console_line(std::string_view prompt) {
    if (g_interrupts.load() != 0) return std::nullopt;
    const HeldTerminal terminal;
    const int fd = terminal.fd();
    if (fd < 0 || g_interrupts.load() != 0) return std::nullopt;
    write_text(fd, prompt);
    bool too_long = false;
    auto answer = read_line_fd(fd, too_long);
    if (!answer) write_text(fd, "\n");
    return answer;
}

FirstLine read_console_password(std::string_view prompt) {
    FirstLine result;
    // Held before the settings are read: those of another prompt that has
    // not finished are never taken for the terminal's own.
    const HeldTerminal terminal;
    const int fd = terminal.fd();
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    termios saved{};
    const bool have_termios = ::tcgetattr(fd, &saved) == 0;
    struct sigaction previous[std::size(kPromptSignals)]{};
    bool replaced[std::size(kPromptSignals)] = {};
    struct sigaction previous_stop {};
    bool stop_replaced = false;
    if (have_termios) {
        g_prompt_saved = saved;
        g_prompt_quiet = saved;
        g_prompt_quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        g_prompt_quiet.c_lflag |= ECHONL;
        g_prompt_length = std::min(prompt.size(), sizeof g_prompt_text);
        std::memcpy(g_prompt_text, prompt.data(), g_prompt_length);
        g_prompt_fd = fd;
        struct sigaction action {};
        action.sa_handler = restore_prompt_and_die;
        sigemptyset(&action.sa_mask);
        // A signal the caller chose to ignore stays ignored.
        for (std::size_t i = 0; i < std::size(kPromptSignals); ++i)
            if (!ignored(kPromptSignals[i])) replaced[i] = ::sigaction(kPromptSignals[i], &action, &previous[i]) == 0;
        if (!ignored(SIGTSTP)) {
            struct sigaction stop {};
            stop.sa_handler = stop_at_prompt;
            sigemptyset(&stop.sa_mask);
            stop_replaced = ::sigaction(SIGTSTP, &stop, &previous_stop) == 0;
        }
        ::tcsetattr(fd, TCSAFLUSH, &g_prompt_quiet);
    }
    write_text(fd, prompt);
    result.line = read_line_fd(fd, result.too_long);
    // Ctrl-D at an empty prompt: what follows starts on a line of its own.
    if (!result.line) write_text(fd, "\n");
    if (have_termios) {
        ::tcsetattr(fd, TCSAFLUSH, &saved);
        for (std::size_t i = 0; i < std::size(kPromptSignals); ++i)
            if (replaced[i]) ::sigaction(kPromptSignals[i], &previous[i], nullptr);
        if (stop_replaced) ::sigaction(SIGTSTP, &previous_stop, nullptr);
        g_prompt_fd = -1;
    }
    return result;
}

FirstLine read_first_line_of_stdin() { return first_line_of(STDIN_FILENO); }

FirstLine read_first_line_of_file(const std::string& path) {
    FirstLine result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        result.error = EISDIR;
        return result;
    }
    result = first_line_of(fd);
    ::close(fd);
    return result;
}

InterruptGuard::InterruptGuard() {
    g_interrupts.store(0);
    // Started with Ctrl-C ignored (nohup, a background job of a script,
    // trap "" INT): it stays ignored for the whole run.
    if (ignored(SIGINT)) return;
    struct sigaction action {};
    action.sa_handler = on_folder_run_interrupt;
    sigemptyset(&action.sa_mask);
    if (::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) g_wake[0] = g_wake[1] = -1;
    g_interrupt_installed = ::sigaction(SIGINT, &action, &g_previous_interrupt) == 0;
}

InterruptGuard::~InterruptGuard() {
    if (g_interrupt_installed) ::sigaction(SIGINT, &g_previous_interrupt, nullptr);
    g_interrupt_installed = false;
    for (int& fd : g_wake) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

bool interrupt_requested() { return g_interrupts.load() != 0; }

// Texts here are UTF-8: no 8-bit code page of the system's own.
int system_code_page() { return 0; }
std::optional<std::string> system_encode(std::string_view, int, char32_t*) { return std::nullopt; }
std::optional<std::string> system_decode(std::string_view, int) { return std::nullopt; }

}  // namespace tarnvold
