// SPDX-License-Identifier: GPL-3.0-or-later
// Runs programs: with a given standard input, collecting what they print;
// on given descriptors; or on pipes, to read as they go.
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

// Starts `args` (args[0] the program's path) with the given descriptors as
// its standard input, output and error (-1: this process's own), in a
// session of its own unless `own_session` is false: with no controlling
// terminal, it must not ask questions on the one the tests were started
// from.  Its pid, or -1.
inline pid_t start(const std::vector<std::string>& args, int in, int out, int err, bool own_session = true) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int fds[] = {in, out, err};
    for (int i = 0; i < 3; ++i)
        if (fds[i] >= 0) posix_spawn_file_actions_adddup2(&actions, fds[i], i);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (own_session) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    std::vector<std::string> store = args;
    std::vector<char*> argv;
    for (auto& a : store) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for a child to end: the status waitpid gives.
inline int wait_status(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Waits for a child to end: its exit status, or 128 + the signal that ended it.
inline int wait_for(pid_t pid) {
    const int status = wait_status(pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

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
    std::vector<std::string> argv = args;
    // Through the shell's cd, the child starts in `workdir`.
    if (!workdir.empty()) argv.insert(argv.begin(), {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", workdir});
    const int in = ::open(in_path.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(out_path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const pid_t pid = in < 0 || out < 0 || err < 0 ? -1 : start(argv, in, out, err);
    for (const int fd : {in, out, err}) ::close(fd);
    if (pid < 0) throw std::runtime_error("cannot start " + argv.at(0));
    const int wstatus = wait_status(pid);
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
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return {};
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return {};
    }
    const pid_t pid = start(args, in[0], out[1], -1, false);
    ::close(in[0]);
    ::close(out[1]);
    if (pid < 0) {
        ::close(in[1]);
        ::close(out[0]);
        return {};
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
