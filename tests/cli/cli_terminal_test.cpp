// SPDX-License-Identifier: GPL-3.0-or-later
// tarnvold-cli with a person at a terminal: run on a pseudo-terminal, typing
// what the person would type once the tool shows what the person would see.
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>
#include <vector>

using namespace tarnvold::testing;
namespace fs = std::filesystem;

namespace {

const std::string kCli = TARNVOLD_CLI;
const std::string kQuestion = "This file exists.Do you want to rewrite this file ?";

// The tool on the slave side of a pseudo-terminal, its controlling terminal.
// Standard input and output may be files instead.  The slave stays open
// here too, so that its settings can be read after the tool has ended.
class OnTerminal {
public:
    explicit OnTerminal(const std::vector<std::string>& args, const std::string& stdin_file = {},
                        const std::string& stdout_file = {}, unsigned short columns = 100) {
        winsize size{};
        size.ws_row = 24;
        size.ws_col = columns;
        if (::openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) throw std::runtime_error("openpty failed");
        ::tcgetattr(slave_, &initial_);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(master_);
            if (::login_tty(::dup(slave_)) != 0) ::_exit(126);
            if (!stdin_file.empty()) ::dup2(::open(stdin_file.c_str(), O_RDONLY), 0);
            if (!stdout_file.empty()) ::dup2(::open(stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            std::vector<char*> argv;
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~OnTerminal() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(master_);
        ::close(slave_);
    }

    // Reads what the terminal shows until `text` appears after `from`; false
    // when the tool ends first (or shows nothing for a minute, far longer than
    // any of these steps takes).
    bool wait_for(const std::string& text, std::size_t from = 0) {
        while (seen_.find(text, from) == std::string::npos)
            if (!read_some(60000)) return false;
        return true;
    }
    void type(const std::string& keys) { ASSERT_EQ(::write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }
    // Waits for the tool to end, reading what it shows meanwhile so that it
    // never waits for the terminal; its exit status, or 128 + the signal that
    // ended it.  A tool that shows nothing for a minute and does not end is
    // killed (and fails the test).
    int finish() {
        int status = 0;
        int idle_ms = 0;
        for (;;) {
            const pid_t done = ::waitpid(pid_, &status, WNOHANG);
            if (done == pid_) break;
            if (done < 0 && errno != EINTR) return -1;
            idle_ms = read_some(100) ? 0 : idle_ms + 100;
            if (idle_ms == 60000) {
                ADD_FAILURE() << "the tool neither ends nor shows anything:\n" << seen_;
                ::kill(pid_, SIGKILL);
            }
        }
        pid_ = -1;
        while (read_some(0)) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    const std::string& seen() const { return seen_; }
    pid_t pid() const { return pid_; }
    bool echo_on() const { return (settings().c_lflag & ECHO) != 0; }
    const termios& initial() const { return initial_; }
    termios settings() const {
        termios t{};
        ::tcgetattr(slave_, &t);
        return t;
    }

private:
    bool read_some(int timeout_ms) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, timeout_ms) <= 0) return false;
        char buf[4096];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) return false;
        seen_.append(buf, static_cast<std::size_t>(n));
        return true;
    }

    int master_ = -1, slave_ = -1;
    termios initial_{};
    pid_t pid_ = -1;
    std::string seen_;
};

// Containers without /dev/ptmx have no pseudo-terminals to offer.
bool have_pseudo_terminals() {
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
    ::close(master);
    ::close(slave);
    return true;
}

}  // namespace

TEST(CliTerminal, CodingAsksForThePasswordTwiceAndRefusesAMismatch) {
    if (!have_pseudo_terminals()) GTEST_SKIP() << "no pseudo-terminals here";
    TempDir dir;
    write_file(dir.file("a"), "contents");
    {
        OnTerminal t({kCli, "code", dir.file("a"), dir.file("a.cod")});
        ASSERT_TRUE(t.wait_for("Password: ")) << t.seen();
        t.type("first\n");
        ASSERT_TRUE(t.wait_for("Password again: ")) << t.seen();
        t.type("frist\n");
        EXPECT_EQ(t.finish(), 2);
        EXPECT_NE(t.seen().find("the two passwords differ"), std::string::npos) << t.seen();
        EXPECT_FALSE(fs::exists(dir.file("a.cod")));
    }
    OnTerminal t({kCli, "code", dir.file("a"), dir.file("a.cod")});
    ASSERT_TRUE(t.wait_for("Password: "));
    t.type("first\n");
    ASSERT_TRUE(t.wait_for("Password again: "));
    t.type("first\n");
    EXPECT_EQ(t.finish(), 0) << t.seen();
    EXPECT_EQ(fs::file_size(dir.file("a.cod")), 8u + 38u);
}

TEST(CliTerminal, CtrlDAtAnEmptyPromptEndsItsLine) {
    if (!have_pseudo_terminals()) GTEST_SKIP() << "no pseudo-terminals here";
    TempDir dir;
    write_file(dir.file("a"), "contents");
    OnTerminal t({kCli, "decode", dir.file("a"), dir.file("b")});
    ASSERT_TRUE(t.wait_for("Password: "));
    t.type("\x04");
    EXPECT_EQ(t.finish(), 2);
    EXPECT_NE(t.seen().find("Password: \r\ntarnvold-cli: the terminal: empty; no password was read"), std::string::npos)
        << t.seen();
}

TEST(CliTerminal, CtrlCAtThePasswordPromptPutsTheTerminalBack) {
    if (!have_pseudo_terminals()) GTEST_SKIP() << "no pseudo-terminals here";
    TempDir dir;
    write_file(dir.file("a"), "contents");
    OnTerminal t({kCli, "decode", dir.file("a"), dir.file("b")});
    ASSERT_TRUE(t.wait_for("Password: "));
    EXPECT_FALSE(t.echo_on());  // what the interrupt has to undo
    t.type("\x03");
    EXPECT_EQ(t.finish(), 128 + SIGINT);
    EXPECT_TRUE(t.echo_on());
}

// Two programs of one pipeline asking at once: one after the other, each
// with its typing hidden, and the terminal ends as it began.
TEST(CliTerminal, TwoPromptsInAPipelineTakeTurns) {
    if (!have_pseudo_terminals() || !fs::exists("/bin/bash")) GTEST_SKIP() << "no pseudo-terminals or no bash";
    TempDir dir;
    write_file(dir.file("a"), "first");
    write_file(dir.file("b"), "second");
    for (const char* name : {"a", "b"}) ASSERT_EQ(run_process({kCli, "code", dir.file(name)}, "sesame42\n").status, 0);
    OnTerminal t({"/bin/bash", "-c", "\"$0\" decode \"$1\" \"$1.out\" | \"$0\" decode \"$2\" \"$2.out\" < /dev/tty",
                  kCli, dir.file("a.cod"), dir.file("b.cod")});
    const termios before = t.initial();
    ASSERT_TRUE(t.wait_for("Password: ")) << t.seen();
    t.type("sesame42\n");
    ASSERT_TRUE(t.wait_for("Password: ", t.seen().find("Password: ") + 1)) << t.seen();
    t.type("sesame42\n");
    EXPECT_EQ(t.finish(), 0) << t.seen();
    EXPECT_EQ(t.seen().find("sesame42"), std::string::npos) << t.seen();
    const termios after = t.settings();
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(read_file(dir.file("a.cod.out")), "first");
    EXPECT_EQ(read_file(dir.file("b.cod.out")), "second");
}

TEST(CliTerminal, ProgressGoesToTheTerminalAndStandardOutputKeepsTheLogLines) {
    if (!have_pseudo_terminals()) GTEST_SKIP() << "no pseudo-terminals here";
    TempDir dir;
    fs::create_directories(dir.file("src"));
    fs::create_directories(dir.file("out"));
    write_file(dir.file("src/big"), std::string(3 << 20, 'b'));
    write_file(dir.file("src/small"), "s");
    write_file(dir.file("pw"), "pw\n");
    auto run = [&](const std::string& option, const std::string& log, const char* term = "xterm") {
        std::vector<std::string> args = {"/usr/bin/env", std::string("TERM=") + term, kCli,           "code-dir",
                                         "-y",           "--password-file",           dir.file("pw"), dir.file("src"),
                                         dir.file("out")};
        if (!option.empty()) args.insert(args.begin() + 4, option);
        OnTerminal t(args, {}, log);
        EXPECT_EQ(t.finish(), 0) << t.seen();
        return t.seen();
    };
    const std::string shown = run("-v", dir.file("log"));
    // The first file is shown at once, numbered; later draws depend on time.
    EXPECT_TRUE(shown.starts_with("\r1/2  " + dir.file("src/")) ||
                shown.starts_with("\r1/2 checksum 0/1 B  " + dir.file("src/")))
        << shown;
    EXPECT_TRUE(shown.ends_with("\r\033[K"));  // taken off the screen at the end

    const std::string log = read_file(dir.file("log"));
    EXPECT_EQ(log.find_first_of("\r\033"), std::string::npos);
    EXPECT_EQ(lines_of(log).size(), 2u + 3u + 5u + 5u);  // two folder lines, the count lines, two files

    EXPECT_EQ(run("--no-progress", dir.file("log2")), "");
    EXPECT_EQ(read_file(dir.file("log2")), "");  // quiet success without -v
    EXPECT_EQ(run("-q", dir.file("log3")), "");
    // A terminal without escape sequences gets blanks instead.
    const std::string dumb = run("", dir.file("log4"), "dumb");
    EXPECT_TRUE(dumb.starts_with("\r1/2")) << dumb;
    EXPECT_EQ(dumb.find('\033'), std::string::npos) << dumb;
}

TEST(CliTerminal, CtrlCStopsAFolderRunAfterTheCurrentFile) {
    if (!have_pseudo_terminals()) GTEST_SKIP() << "no pseudo-terminals here";
    TempDir dir;
    fs::create_directories(dir.file("src"));
    fs::create_directories(dir.file("out"));
    for (const char* name : {"a", "b", "c"}) {
        write_file(dir.file("src/") + name, "new contents");
        write_file(dir.file("out/") + name + ".cod", "old");
    }
    // The password comes on standard input; the questions still come to the
    // terminal.
    write_file(dir.file("pw"), "pw\n");
    // In a shell loop, which the death by Ctrl-C stops as it would for cp.
    OnTerminal t({"/bin/bash", "-c",
                  "for i in 1 2; do \"$0\" code-dir -v --no-progress \"$1\" \"$2\" < \"$3\"; "
                  "echo \"next: $i\"; done",
                  kCli, dir.file("src"), dir.file("out"), dir.file("pw")});
    ASSERT_TRUE(t.wait_for(kQuestion)) << t.seen();
    t.type("y\n");
    ASSERT_TRUE(t.wait_for("Coding finished"));
    ASSERT_TRUE(t.wait_for(kQuestion, t.seen().find("Coding finished"))) << t.seen();
    t.type("\x03");
    EXPECT_EQ(t.finish(), 128 + SIGINT) << t.seen();
    EXPECT_EQ(t.seen().find("next:"), std::string::npos) << t.seen();
    EXPECT_NE(t.seen().find("interrupted; 2 of 3 files done (1 coded, 1 declined, 0 refused, 0 failed)"),
              std::string::npos)
        << t.seen();
    EXPECT_NE(t.seen().find(": exists; not replaced (use --yes to replace it)"), std::string::npos);
    int replaced = 0;
    for (const char* name : {"a", "b", "c"}) replaced += read_file(dir.file("out/") + name + ".cod") != "old" ? 1 : 0;
    EXPECT_EQ(replaced, 1);
}

TEST(CliTerminal, AnInterruptIgnoredByTheShellStaysIgnored) {
    if (!have_pseudo_terminals() || !fs::exists("/bin/bash")) GTEST_SKIP() << "no pseudo-terminals or no bash";
    TempDir dir;
    fs::create_directories(dir.file("src"));
    fs::create_directories(dir.file("out"));
    write_file(dir.file("src/big"), std::string(6 << 20, 'b'));
    write_file(dir.file("out/big.cod"), "old");
    write_file(dir.file("src/small"), "s");
    write_file(dir.file("out/small.cod"), "old");
    write_file(dir.file("pw"), "pw\n");
    // As a script's background job or nohup starts it: Ctrl-C ignored.
    OnTerminal t({"/bin/bash", "--norc", "--noprofile", "-i"});
    t.type("PS1='READY> '; trap '' INT\n");
    ASSERT_TRUE(t.wait_for("READY> ", t.seen().find("trap") + 10)) << t.seen();
    t.type("exec " + kCli + " code-dir --no-progress --password-file " + dir.file("pw") + " " + dir.file("src") + " " +
           dir.file("out") + "\n");
    ASSERT_TRUE(t.wait_for(kQuestion)) << t.seen();
    t.type("\x03");
    t.type("y\n");
    const std::size_t first = t.seen().rfind(kQuestion);
    ASSERT_TRUE(t.wait_for(kQuestion, first + 1)) << t.seen();
    // Whatever threads the run has started by now do not take the
    // signals the tool handles: those are the main thread's.
    const std::string tasks = "/proc/" + std::to_string(t.pid()) + "/task";
    int helpers = 0;
    for (const auto& task : fs::directory_iterator(tasks)) {
        if (task.path().filename() == std::to_string(t.pid())) continue;
        const std::string status = read_file((task.path() / "status").string());
        const auto at = status.find("SigBlk:\t");
        ASSERT_NE(at, std::string::npos);
        const unsigned long long blocked = std::stoull(status.substr(at + 8, 16), nullptr, 16);
        for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGTSTP, SIGWINCH})
            EXPECT_TRUE((blocked >> (sig - 1)) & 1u) << "signal " << sig << " of thread " << task.path();
        ++helpers;
    }
    if (helpers == 0) std::puts("no helper threads on this machine: their signal mask is not checked");
    t.type("\x03");
    t.type("y\n");
    EXPECT_EQ(t.finish(), 0) << t.seen();
    EXPECT_EQ(t.seen().find("interrupted"), std::string::npos) << t.seen();
    EXPECT_EQ(t.seen().find("stopping after"), std::string::npos) << t.seen();
    EXPECT_NE(read_file(dir.file("out/big.cod")), "old");
    EXPECT_NE(read_file(dir.file("out/small.cod")), "old");
}

TEST(CliTerminal, CtrlZAtThePasswordPromptHidesThePasswordAgainAfterFg) {
    if (!have_pseudo_terminals() || !fs::exists("/bin/bash")) GTEST_SKIP() << "no pseudo-terminals or no bash";
    TempDir dir;
    write_file(dir.file("a"), "contents");
    OnTerminal t({"/bin/bash", "--norc", "--noprofile", "-i"});
    t.type("PS1='READY> '\n");
    ASSERT_TRUE(t.wait_for("READY> ", t.seen().find("PS1") + 10)) << t.seen();
    t.type(kCli + " code " + dir.file("a") + " " + dir.file("a.cod") + "\n");
    ASSERT_TRUE(t.wait_for("Password: ")) << t.seen();
    t.type("\x1a");
    ASSERT_TRUE(t.wait_for("Stopped")) << t.seen();
    ASSERT_TRUE(t.wait_for("READY> ", t.seen().find("Stopped"))) << t.seen();
    const std::size_t stopped = t.seen().size();
    t.type("fg\n");
    ASSERT_TRUE(t.wait_for("Password: ", stopped)) << t.seen();
    t.type("hidden-one\n");
    ASSERT_TRUE(t.wait_for("Password again: ", stopped)) << t.seen();
    t.type("hidden-one\n");
    ASSERT_TRUE(t.wait_for("READY> ", t.seen().find("Password again: ", stopped))) << t.seen();
    t.type("exit\n");
    EXPECT_EQ(t.finish(), 0) << t.seen();
    EXPECT_EQ(t.seen().find("hidden-one"), std::string::npos) << t.seen();
    EXPECT_EQ(fs::file_size(dir.file("a.cod")), 8u + 38u);
}

TEST(CliTerminal, AnInterruptWithNothingLeftToDoIsNoInterruption) {
    if (!have_pseudo_terminals()) GTEST_SKIP() << "no pseudo-terminals here";
    TempDir dir;
    fs::create_directories(dir.file("out"));
    write_file(dir.file("a"), "a");
    write_file(dir.file("b"), "b");
    write_file(dir.file("out/b.cod"), "old");
    write_file(dir.file("pw"), "pw\n");
    OnTerminal t({kCli, "code", "--no-progress", "--password-file", dir.file("pw"), dir.file("a"), dir.file("b"),
                  dir.file("out")});
    // The question names the file it is about.
    ASSERT_TRUE(t.wait_for(dir.file("out/b.cod") + ": " + kQuestion)) << t.seen();
    t.type("\x03");
    EXPECT_EQ(t.finish(), 1) << t.seen();
    EXPECT_EQ(t.seen().find("interrupted"), std::string::npos) << t.seen();
    EXPECT_NE(t.seen().find("tarnvold-cli: " + dir.file("out/b.cod") + ": exists; not replaced"), std::string::npos)
        << t.seen();
    EXPECT_EQ(read_file(dir.file("out/b.cod")), "old");
}

TEST(CliTerminal, TheProgressLineFitsANarrowTerminalAndIsDrawnAtMostTenTimesASecond) {
    if (!have_pseudo_terminals()) GTEST_SKIP() << "no pseudo-terminals here";
    TempDir dir;
    fs::create_directories(dir.file("src"));
    fs::create_directories(dir.file("out"));
    for (int i = 0; i < 400; ++i)
        write_file(dir.file("src/a-rather-long-file-name-number-" + std::to_string(i) + ".txt"),
                   std::string(5000, 'x'));
    write_file(dir.file("pw"), "pw\n");
    const auto begin = std::chrono::steady_clock::now();
    OnTerminal t({kCli, "code-dir", "--password-file", dir.file("pw"), dir.file("src"), dir.file("out")}, {},
                 dir.file("log"), 25);
    EXPECT_EQ(t.finish(), 0) << t.seen();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    // Each draw is "\r", the text and "\033[K"; the last "\r\033[K" takes it off.
    std::size_t draws = 0;
    for (std::size_t at = t.seen().find('\r'); at != std::string::npos; at = t.seen().find('\r', at + 1)) {
        const std::size_t end = t.seen().find("\033[K", at);
        ASSERT_NE(end, std::string::npos);
        std::size_t columns = 0;
        for (std::size_t i = at + 1; i < end; ++i)
            if ((static_cast<unsigned char>(t.seen()[i]) & 0xC0) != 0x80) ++columns;
        EXPECT_LE(columns, 24u) << t.seen().substr(at, end - at);
        if (end > at + 1) ++draws;
    }
    EXPECT_GE(draws, 1u);
    EXPECT_LE(static_cast<double>(draws), seconds * 10 + 1) << draws << " draws in " << seconds << " s";
}

// What <Tab> offers in an interactive zsh with the completion on fpath.
TEST(CliTerminal, ZshCompletesFilesAfterOptionsInTheDocumentedOrder) {
    if (!have_pseudo_terminals() || !fs::exists("/usr/bin/zsh")) GTEST_SKIP() << "no pseudo-terminals or no zsh";
    TempDir dir;
    fs::create_directories(dir.file("bfolder"));
    write_file(dir.file("afile"), "x");
    OnTerminal t({"/usr/bin/env", "TERM=dumb", "/usr/bin/zsh", "-f", "-i"});
    // The prompt is written so that its echo does not show it.
    t.type("cd " + dir.path().string() + "; PS1='ZP''> '; fpath=(" + std::string(TARNVOLD_SOURCE_DIR) +
           "/packaging $fpath); bindkey -e; autoload -Uz compinit; compinit -u -D\n");
    ASSERT_TRUE(t.wait_for("ZP> ")) << t.seen();
    struct Case {
        std::string line;
        std::vector<std::string> offered;
    };
    const Case cases[] = {
        {"tarnvold-cli code -y ", {"afile", "bfolder/"}},
        {"tarnvold-cli code --password-file pw ", {"afile", "bfolder/"}},
        {"tarnvold-cli code-dir --no-progress ", {"code-dir --no-progress bfolder/"}},
        {"tarnvold-cli -q decode-dir ", {"decode-dir bfolder/"}},
        {"tarnvold-cli --password-file=", {"afile", "bfolder/"}},
        {"tarnvold-cli code-", {"code-dir "}},
        {"tarnvold-cli --keep", {"--keep-going "}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::size_t mark = t.seen().size();
        t.type(c.line + "\t");
        for (const auto& offered : c.offered) EXPECT_TRUE(t.wait_for(offered, mark)) << c.line << "\n" << t.seen();
        // The line is emptied, and a command whose output cannot be its
        // echo marks where the next case begins.
        ++n;
        const std::string kill_line(1, '\x15');
        t.type(kill_line + "echo SYNC$((" + std::to_string(n) + "+1000))\n");
        ASSERT_TRUE(t.wait_for("SYNC" + std::to_string(n + 1000), mark)) << t.seen();
    }
    t.type("exit\n");
    EXPECT_EQ(t.finish(), 0);
}
