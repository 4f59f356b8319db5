// SPDX-License-Identifier: GPL-3.0-or-later
// A process killed in the middle of coding or decoding a large file must
// leave nothing under the destination's name, and must not touch a file it
// was about to replace.
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarnvold::testing;

namespace {

// The tool, stopped for good at a given write: `kCli, "N"` runs it and
// stops it before its write N + 1.
const std::string kCli = TARNVOLD_CLI_KILL_CHILD;

// Starts the tool with its output on a pipe, reads lines until one holds
// `marker` (the tool's own output may stand before it on that line), then
// kills it with SIGKILL.  Returns false when the tool ended before the
// marker showed up.
bool kill_after_line(const std::vector<std::string>& args, const std::string& password, const std::string& marker) {
    const PipedChild child = start_piped(args);
    if (child.pid < 0) return false;
    const pid_t pid = child.pid;
    const std::string line = password + "\n";
    if (::write(child.in, line.data(), line.size()) < 0) { /* the child reports it */
    }
    ::close(child.in);

    std::string pending;
    bool seen = false;
    char buf[4096];
    while (!seen) {
        const ssize_t n = ::read(child.out, buf, sizeof buf);
        if (n <= 0) break;
        pending.append(buf, static_cast<std::size_t>(n));
        for (std::size_t pos; (pos = pending.find('\n')) != std::string::npos;) {
            if (pending.substr(0, pos).find(marker) != std::string::npos) seen = true;
            pending.erase(0, pos + 1);
        }
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(child.out);
    return seen && WIFSIGNALED(status);
}

void make_sparse(const std::string& path, off_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

}  // namespace

TEST(CliKill, KilledWhileCodingLeavesNoPartialOutput) {
    TempDir dir;
    make_sparse(dir.file("big"), off_t{1} << 30);  // 1 GiB of zeros, no disk used
    // Writes 1 and 2 are the header and the gap, 3 the first block: it
    // stops at the fourth, with the first block written.
    ASSERT_TRUE(kill_after_line({kCli, "3", "code", dir.file("big"), dir.file("big.cod")}, "pw", "paused"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("big.cod")));
    EXPECT_EQ(entry_count(dir.path()), 1u) << "something was left behind";

    // The same with an existing destination: it stays as it was.
    write_file(dir.file("big.cod"), "the old coded file");
    ASSERT_TRUE(kill_after_line({kCli, "3", "code", "--yes", dir.file("big"), dir.file("big.cod")}, "pw", "paused"));
    EXPECT_EQ(read_file(dir.file("big.cod")), "the old coded file");
    EXPECT_EQ(entry_count(dir.path()), 2u);
}

TEST(CliKill, KilledWhileDecodingLeavesNoPartialOutput) {
    TempDir dir;
    // A coded file of 1 GiB: a valid header, then zeros (the seed is 0).
    const std::string header = std::string("\x08Tarnvold\x01\x05", 11) + std::string(13, '\0') +
                               std::string("\x22\x00", 2) + std::string(8, '\0');
    write_file(dir.file("big.cod"), header);
    ASSERT_EQ(::truncate(dir.file("big.cod").c_str(), (off_t{1} << 30) + 38), 0);
    write_file(dir.file("big"), "the old original");
    // Write 1 is the first block: it stops at the second, with the first
    // block written.
    ASSERT_TRUE(kill_after_line({kCli, "1", "decode", "--yes", dir.file("big.cod"), dir.file("big")}, "pw", "paused"));
    EXPECT_EQ(read_file(dir.file("big")), "the old original");
    EXPECT_EQ(entry_count(dir.path()), 2u) << "something was left behind";
}
