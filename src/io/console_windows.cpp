// SPDX-License-Identifier: GPL-3.0-or-later
// The console on Windows: CONIN$ and CONOUT$ for questions and the password,
// the wide console API for text on the screen (UTF-8 names show whatever the
// code page), the standard streams in binary mode, and Ctrl-C through a
// console control handler.
#include "io/code_pages.h"
#include "io/console.h"
#include "io/file_io.h"
#include "io/file_io_windows.h"
#include "io/windows_text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <io.h>
#include <string>

namespace tarnvold {
namespace {

std::atomic<int> g_interrupts{0};
// Set by the control handler, so that a wait for an answer ends at Ctrl-C.
HANDLE g_wake = nullptr;
bool g_interrupt_installed = false;

HANDLE std_handle(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

bool console_handle(HANDLE h) {
    DWORD mode = 0;
    return h != nullptr && h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode) != 0;
}

// UTF-8 to the screen as the characters it stands for.
int write_console(HANDLE h, std::string_view text) {
    const std::wstring wide = windows::widen(text);
    std::wstring_view left = wide;
    while (!left.empty()) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(left.size(), 16384));
        if (::WriteConsoleW(h, left.data(), want, &n, nullptr) == 0) return windows::error_code(::GetLastError());
        if (n == 0) return EIO;
        left.remove_prefix(n);
    }
    return 0;
}

// The console itself, whatever the standard streams are.
struct Console {
    HANDLE in = INVALID_HANDLE_VALUE;
    HANDLE out = INVALID_HANDLE_VALUE;
    Console() {
        in = ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
        out = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    }
    ~Console() {
        if (in != INVALID_HANDLE_VALUE) ::CloseHandle(in);
        if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);
    }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;
    bool usable() const { return console_handle(in) && console_handle(out); }
    void say(std::string_view text) const { write_console(out, text); }
};

// The console held for one question: a mutex named after the console's
// window, so that another program asking on the same console waits until
// this one has put the input mode back.
class HeldConsole {
public:
    HeldConsole() {
        const std::wstring name =
            L"Local\\tarnvold-console-" + std::to_wstring(reinterpret_cast<std::uintptr_t>(::GetConsoleWindow()));
        mutex_ = ::CreateMutexW(nullptr, FALSE, name.c_str());
        if (mutex_ == nullptr) return;
        const DWORD got = ::WaitForSingleObject(mutex_, INFINITE);
        owned_ = got == WAIT_OBJECT_0 || got == WAIT_ABANDONED;
    }
    ~HeldConsole() {
        if (owned_) ::ReleaseMutex(mutex_);
        if (mutex_ != nullptr) ::CloseHandle(mutex_);
    }
    HeldConsole(const HeldConsole&) = delete;
    HeldConsole& operator=(const HeldConsole&) = delete;

private:
    HANDLE mutex_ = nullptr;
    bool owned_ = false;
};

// One line typed on the console, without its line end.  Ctrl-C during a
// run of several files ends the wait as if nothing had been typed; Ctrl-Z
// at the start of a line is the end of the input.
std::optional<std::string> read_console_line(HANDLE in, bool& too_long) {
    too_long = false;
    std::wstring line;
    for (;;) {
        if (g_interrupts.load() != 0) return std::nullopt;
        if (g_wake != nullptr) {
            const HANDLE waits[2] = {in, g_wake};
            const DWORD got = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
            if (got != WAIT_OBJECT_0) return std::nullopt;
        }
        wchar_t buf[512];
        DWORD n = 0;
        if (::ReadConsoleW(in, buf, static_cast<DWORD>(std::size(buf)), &n, nullptr) == 0) return std::nullopt;
        if (g_interrupts.load() != 0) return std::nullopt;
        if (n == 0) {
            if (line.empty()) return std::nullopt;
            break;
        }
        line.append(buf, n);
        if (line.size() > kLongestLine) {
            too_long = true;
            return std::nullopt;
        }
        if (line.find(L'\n') != std::wstring::npos) break;
    }
    if (line.starts_with(L'\x1a')) return std::nullopt;
    line.resize(std::min(line.find_first_of(L"\r\n"), line.size()));
    std::string utf8 = windows::narrow(line);
    if (utf8.size() > kLongestLine) {
        too_long = true;
        return std::nullopt;
    }
    return utf8;
}

// The console's input settings to put back when Ctrl-C ends the password
// prompt.
HANDLE g_prompt_in = INVALID_HANDLE_VALUE;
HANDLE g_prompt_out = INVALID_HANDLE_VALUE;
DWORD g_prompt_saved = 0;

BOOL WINAPI restore_prompt(DWORD type) {
    if (g_prompt_in != INVALID_HANDLE_VALUE) {
        ::SetConsoleMode(g_prompt_in, g_prompt_saved);
        write_console(g_prompt_out, "\n");
    }
    (void)type;
    return FALSE;  // the process ends as it would have
}

BOOL WINAPI on_folder_run_interrupt(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    if (g_interrupts.exchange(1) == 0) {
        if (g_wake != nullptr) ::SetEvent(g_wake);
        static constexpr char kNote[] =
            "\ntarnvold-cli: stopping after the current file (Ctrl-C again stops at once)\n";
        write_descriptor(kStderr, {kNote, sizeof kNote - 1});
        return TRUE;
    }
    remove_temporaries_now();
    return FALSE;
}

// The first line of what a file handle gives, up to kLongestLine bytes.
FirstLine first_line_of(HANDLE h) {
    return first_line_from([h](char* buf, std::size_t size, int& error) -> std::ptrdiff_t {
        DWORD n = 0;
        if (::ReadFile(h, buf, static_cast<DWORD>(size), &n, nullptr) != 0) return n;
        const DWORD failure = ::GetLastError();
        if (failure == ERROR_BROKEN_PIPE || failure == ERROR_HANDLE_EOF) return 0;
        error = windows::error_code(failure);
        return -1;
    });
}

}  // namespace

namespace {
bool g_escapes = false;
}  // namespace

void prepare_standard_streams() {
    // Bytes as they are: no CR before LF, no end at Ctrl-Z.
    for (const int fd : {kStdin, kStdout, kStderr}) ::_setmode(fd, _O_BINARY);
    // The progress line is taken back with an escape sequence where the
    // console takes them (consoles before Windows 10 refuse the mode); a
    // plain line overwritten with blanks otherwise.
    const HANDLE err = std_handle(kStderr);
    DWORD mode = 0;
    g_escapes = console_handle(err) && ::GetConsoleMode(err, &mode) != 0 &&
                ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
                 ::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0);
}

bool console_takes_escapes() { return g_escapes; }

bool is_console(int fd) { return console_handle(std_handle(fd)); }

int write_descriptor(int fd, std::string_view text) {
    const HANDLE h = std_handle(fd);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return EBADF;
    if (console_handle(h)) return write_console(h, text);
    return write_handle(h, text.data(), text.size());
}

bool have_console() { return Console().usable(); }

// No background jobs: a console is all it takes.
bool console_in_foreground() { return is_console(kStderr); }

std::size_t console_width() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (::GetConsoleScreenBufferInfo(std_handle(kStderr), &info) == 0) return 80;
    const int width = info.srWindow.Right - info.srWindow.Left + 1;
    return width > 0 ? static_cast<std::size_t>(width) : 80;
}

void wait_for_input(int fd) {
    const HANDLE h = std_handle(fd);
    if (::GetFileType(h) != FILE_TYPE_PIPE) return;
    DWORD available = 0;
    while (::PeekNamedPipe(h, nullptr, 0, nullptr, &available, nullptr) != 0 && available == 0) ::Sleep(20);
}

void end_by_interrupt() {}

std::optional<std::string> ask_console_line(std::string_view prompt) {
    if (g_interrupts.load() != 0) return std::nullopt;
    const HeldConsole held;
    const Console console;
    if (!console.usable()) return std::nullopt;
    console.say(prompt);
    bool too_long = false;
    auto answer = read_console_line(console.in, too_long);
    if (!answer) console.say("\n");
    return answer;
}

FirstLine read_console_password(std::string_view prompt) {
    FirstLine result;
    const HeldConsole held;
    const Console console;
    if (!console.usable()) {
        result.error = ENXIO;
        return result;
    }
    DWORD saved = 0;
    ::GetConsoleMode(console.in, &saved);
    g_prompt_in = console.in;
    g_prompt_out = console.out;
    g_prompt_saved = saved;
    ::SetConsoleCtrlHandler(restore_prompt, TRUE);
    ::SetConsoleMode(console.in,
                     (saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
    console.say(prompt);
    result.line = read_console_line(console.in, result.too_long);
    // The Enter that was not echoed, or Ctrl-Z: what follows starts on a
    // line of its own.
    console.say("\n");
    ::SetConsoleMode(console.in, saved);
    ::SetConsoleCtrlHandler(restore_prompt, FALSE);
    g_prompt_in = g_prompt_out = INVALID_HANDLE_VALUE;
    return result;
}

FirstLine read_first_line_of_stdin() {
    const HANDLE in = std_handle(kStdin);
    if (console_handle(in)) {
        FirstLine result;
        result.line = read_console_line(in, result.too_long);
        return result;
    }
    if (in == INVALID_HANDLE_VALUE || in == nullptr) return {};
    return first_line_of(in);
}

FirstLine read_first_line_of_file(const std::string& path) {
    FirstLine result;
    const HANDLE h = ::CreateFileW(windows::wide_path(path).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        result.error = windows::error_code(::GetLastError());
        return result;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(h, &info) != 0 && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        result.error = EISDIR;
    else
        result = first_line_of(h);
    ::CloseHandle(h);
    return result;
}

InterruptGuard::InterruptGuard() {
    g_interrupts.store(0);
    // A process started with Ctrl-C ignored is never called for it: it
    // stays ignored without a look.
    g_wake = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_interrupt_installed = ::SetConsoleCtrlHandler(on_folder_run_interrupt, TRUE) != 0;
}

InterruptGuard::~InterruptGuard() {
    if (g_interrupt_installed) ::SetConsoleCtrlHandler(on_folder_run_interrupt, FALSE);
    g_interrupt_installed = false;
    if (g_wake != nullptr) ::CloseHandle(g_wake);
    g_wake = nullptr;
}

bool interrupt_requested() { return g_interrupts.load() != 0; }

int system_code_page() {
    const UINT acp = ::GetACP();
    return acp == CP_UTF8 ? kUtf8 : static_cast<int>(acp);
}

// A code page this program has no table for (932, 936, ...): the system's
// conversion, without its best-fit replacements, which would code a
// password with other letters than the ones typed.
std::optional<std::string> system_encode(std::string_view utf8, int code_page, char32_t* missing) {
    const std::wstring wide = windows::widen(utf8);
    if (wide.empty()) return std::string();
    BOOL defaulted = FALSE;
    const auto cp = static_cast<UINT>(code_page);
    const int n = ::WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr,
                                        0, nullptr, &defaulted);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                              nullptr, &defaulted);
    if (n > 0 && !defaulted) return out;
    if (missing != nullptr) {
        // The first character that does not come back from its bytes.
        *missing = 0xFFFD;
        for (const wchar_t c : wide) {
            char byte[8];
            BOOL lost = FALSE;
            if (::WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, &c, 1, byte, sizeof byte, nullptr, &lost) <= 0 ||
                lost) {
                *missing = static_cast<char32_t>(c);
                break;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> system_decode(std::string_view bytes, int code_page) {
    if (bytes.empty()) return std::string();
    const auto cp = static_cast<UINT>(code_page);
    const int n =
        ::MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return windows::narrow(wide);
}

}  // namespace tarnvold
