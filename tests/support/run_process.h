// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a program with a given standard input and collects what it prints.
#pragma once

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tarnvold::testing {

struct ProcessResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

inline ProcessResult run_process(const std::vector<std::string>& args, const std::string& input = {},
                                 const std::string& workdir = {}) {
    auto temp = [](const char* tag) {
        std::string name = "/tmp/tarnvold-proc-" + std::string(tag) + "-XXXXXX";
        const int fd = ::mkstemp(name.data());
        if (fd < 0) throw std::runtime_error("mkstemp failed");
        ::close(fd);
        return name;
    };
    const std::string in_path = temp("in"), out_path = temp("out"), err_path = temp("err");
    {
        const int fd = ::open(in_path.c_str(), O_WRONLY | O_TRUNC);
        if (!input.empty() && ::write(fd, input.data(), input.size()) < 0) throw std::runtime_error("write failed");
        ::close(fd);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in_path.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_TRUNC, 0);
    std::vector<std::string> argv_store = args;
    std::string program = argv_store.at(0);
    if (!workdir.empty()) {
        // Run through the shell's cd so that the child starts in `workdir`.
        std::string cmd = "cd \"$0\" && exec \"$@\"";
        argv_store.insert(argv_store.begin(), {"/bin/sh", "-c", cmd, workdir});
        program = "/bin/sh";
    }
    std::vector<char*> argv;
    for (auto& a : argv_store) argv.push_back(a.data());
    argv.push_back(nullptr);
    // In a session of its own, the program has no controlling terminal: it
    // must not ask questions on the terminal the tests were started from.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + program);
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    ProcessResult result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    auto slurp = [](const std::string& path) {
        std::string text;
        char buf[4096];
        const int fd = ::open(path.c_str(), O_RDONLY);
        for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
        ::close(fd);
        ::unlink(path.c_str());
        return text;
    };
    result.out = slurp(out_path);
    result.err = slurp(err_path);
    ::unlink(in_path.c_str());
    return result;
}

// A program started with its standard input and output on pipes.
struct PipedChild {
    pid_t pid = -1;  // -1 when it could not be started
    int in = -1;     // its standard input: closing it lets a waiting child go on
    int out = -1;    // its standard output
};

inline PipedChild start_piped(const std::vector<std::string>& args) {
    PipedChild child;
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return child;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return child;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> store = args;
    std::vector<char*> argv;
    for (auto& a : store) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) {
        ::close(in[1]);
        ::close(out[0]);
        return child;
    }
    return {pid, in[1], out[0]};
}

// Reads `fd` until what it read ends with `end`, or the other side closes
// it; returns what it read.
inline std::string read_until(int fd, std::string_view end) {
    std::string said;
    char c;
    while (!said.ends_with(end) && ::read(fd, &c, 1) == 1) said.push_back(c);
    return said;
}

// Whether a text (what a program printed) holds a part.
inline bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The lines of a text, without their line ends.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace tarnvold::testing
