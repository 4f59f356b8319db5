// SPDX-License-Identifier: GPL-3.0-or-later
// tarnvold-cli on real pipes and devices: standard output that fails, a
// reader that goes away, password sources that never end, and "-" for
// standard input and output.
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tarnvold::testing;
namespace fs = std::filesystem;

namespace {

const std::string kCli = TARNVOLD_CLI;

// Runs the tool with standard output on /dev/full.
struct Result {
    int status;
    std::string err;
};
Result to_full(const std::vector<std::string>& args, const std::string& input, const TempDir& dir) {
    write_file(dir.file("stdin"), input);
    const int in = ::open(dir.file("stdin").c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    const int err = ::open(dir.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int status = wait_for(start(args, in, out, err));
    ::close(in);
    ::close(out);
    ::close(err);
    return {status, read_file(dir.file("stderr"))};
}

}  // namespace

TEST(CliOutput, AStandardOutputThatFailsIsAnInputOutputError) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempDir dir;
    write_file(dir.file("a"), "contents");
    for (const auto& args : std::vector<std::vector<std::string>>{{kCli, "--help"}, {kCli, "--version"}}) {
        const auto r = to_full(args, "", dir);
        EXPECT_EQ(r.status, 3) << args[1];
        EXPECT_EQ(r.err, "tarnvold-cli: standard output: No space left on device\n") << args[1];
    }
    const auto code = to_full({kCli, "code", "-v", dir.file("a"), dir.file("a.cod")}, "pw\n", dir);
    EXPECT_EQ(code.status, 3);
    EXPECT_EQ(code.err, "tarnvold-cli: standard output: No space left on device\n");
    const auto test = to_full({kCli, "test", dir.file("a.cod"), dir.file("a.cod")}, "pw\n", dir);
    EXPECT_EQ(test.status, 3);
    EXPECT_EQ(test.err, "tarnvold-cli: standard output: No space left on device; stopped after 0 of 2 files\n");
    // Coded and decoded bytes that cannot go out.
    write_file(dir.file("pw"), "pw\n");
    for (const auto& [command, source] : {std::pair{"code", "a"}, std::pair{"decode", "a.cod"}}) {
        const auto r =
            to_full({kCli, command, "-q", "--password-file", dir.file("pw"), dir.file(source), "-"}, "", dir);
        EXPECT_EQ(r.status, 3) << command;
        EXPECT_EQ(r.err, "tarnvold-cli: standard output: No space left on device.\n") << command;
    }
}

TEST(CliOutput, AReaderThatGoesAwayStopsAFolderRunAfterTheFileInProgress) {
    TempDir dir;
    fs::create_directories(dir.file("src"));
    fs::create_directories(dir.file("out"));
    for (int i = 0; i < 200; ++i) write_file(dir.file("src/file" + std::to_string(i)), "x");
    write_file(dir.file("pw"), "pw\n");
    int pipe_fds[2];
    ASSERT_EQ(::pipe2(pipe_fds, O_CLOEXEC), 0);
    // A small pipe: the run cannot end before the reader has gone.
    ::fcntl(pipe_fds[1], F_SETPIPE_SZ, 4096);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int err = ::open(dir.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid =
        start({kCli, "code-dir", "-v", "--password-file", dir.file("pw"), dir.file("src"), dir.file("out")}, in,
              pipe_fds[1], err);
    ::close(pipe_fds[1]);
    // head -n 5
    std::string got;
    char c = 0;
    int lines = 0;
    while (lines < 5 && ::read(pipe_fds[0], &c, 1) == 1)
        if (c == '\n') ++lines;
    ::close(pipe_fds[0]);
    EXPECT_EQ(wait_for(pid), 3);
    ::close(in);
    ::close(err);
    const std::string message = read_file(dir.file("stderr"));
    EXPECT_TRUE(has(message, "tarnvold-cli: standard output: Broken pipe; ")) << message;
    EXPECT_TRUE(has(message, " of 200 files done (")) << message;
    const auto coded = entry_count(dir.file("out"));
    EXPECT_LT(coded, 200u);
    // Every output there is whole.
    for (const auto& e : fs::directory_iterator(dir.file("out"))) EXPECT_EQ(fs::file_size(e.path()), 39u);
}

TEST(CliPipes, DecodedBytesGoOutBeforeTheDecodingEndsAndAReaderMayLeaveEarly) {
    TempDir dir;
    std::string contents(30u << 20, '\0');
    for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<char>((i * 7919) >> 5);
    write_file(dir.file("a"), contents);
    write_file(dir.file("pw"), "pw\n");
    ASSERT_EQ(
        run_process({kCli, "code", "-q", "--password-file", dir.file("pw"), dir.file("a"), dir.file("a.cod")}).status,
        0);
    int pipe_fds[2];
    ASSERT_EQ(::pipe2(pipe_fds, O_CLOEXEC), 0);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int err = ::open(dir.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid =
        start({kCli, "decode", "-v", "--password-file", dir.file("pw"), dir.file("a.cod"), "-"}, in, pipe_fds[1], err);
    ::close(pipe_fds[1]);
    // The first MiB arrives while the rest cannot have been decoded: the
    // pipe holds far less than the file, and nothing more is read.
    std::string first(1u << 20, '\0');
    std::size_t got = 0;
    for (ssize_t n; got < first.size() && (n = ::read(pipe_fds[0], first.data() + got, first.size() - got)) > 0;)
        got += static_cast<std::size_t>(n);
    ASSERT_EQ(got, first.size());
    EXPECT_TRUE(first == contents.substr(0, first.size()));
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0);
    const std::string log = read_file(dir.file("stderr"));
    EXPECT_TRUE(has(log, "Starting decode for " + dir.file("a.cod"))) << log;
    EXPECT_FALSE(has(log, "Original file CRC")) << log;
    // head -c 1M: the reader goes away; one line says so, nothing claims success.
    ::close(pipe_fds[0]);
    EXPECT_EQ(wait_for(pid), 3);
    ::close(in);
    ::close(err);
    const auto lines = lines_of(read_file(dir.file("stderr")));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "tarnvold-cli: standard output: Broken pipe.");
    for (const auto& line : lines) EXPECT_FALSE(has(line, "finished")) << line;
}

TEST(CliPipes, ASourceThatGrowsWhileItIsCodedToAPipeIsNotClaimedCoded) {
    TempDir dir;
    write_file(dir.file("a"), std::string(30u << 20, 'a'));
    write_file(dir.file("pw"), "pw\n");
    int pipe_fds[2];
    ASSERT_EQ(::pipe2(pipe_fds, O_CLOEXEC), 0);
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int err = ::open(dir.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid =
        start({kCli, "code", "-q", "--password-file", dir.file("pw"), dir.file("a"), "-"}, in, pipe_fds[1], err);
    ::close(pipe_fds[1]);
    // The header begins to come: the checksum is taken, and the coding waits for
    // this reader.  The source grows meanwhile.
    char first = 0;
    ASSERT_EQ(::read(pipe_fds[0], &first, 1), 1);
    const int grow = ::open(dir.file("a").c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_EQ(::write(grow, "b", 1), 1);
    ::close(grow);
    std::size_t rest = 0;
    char buf[65536];
    for (ssize_t n; (n = ::read(pipe_fds[0], buf, sizeof buf)) > 0;) rest += static_cast<std::size_t>(n);
    ::close(pipe_fds[0]);
    EXPECT_EQ(wait_for(pid), 3);
    ::close(in);
    ::close(err);
    EXPECT_EQ(rest, 33 + (30u << 20));  // header, gap and payload; no seed after them
    EXPECT_EQ(read_file(dir.file("stderr")), "tarnvold-cli: " + dir.file("a") +
                                                 ": The file changed while it was being coded; what went to standard "
                                                 "output is not a valid coded file\n");
}

TEST(CliPipes, StandardOutputThatIsTheSourceIsRefused) {
    TempDir dir;
    write_file(dir.file("a"), "contents");
    write_file(dir.file("pw"), "pw\n");
    const auto r = run_process({"/bin/sh", "-c", "\"$0\" code -q --password-file \"$1\" \"$2\" - >> \"$2\"", kCli,
                                dir.file("pw"), dir.file("a")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.err, "the same file")) << r.err;
    EXPECT_EQ(read_file(dir.file("a")), "contents");
}

TEST(CliPassword, AFirstLineOver64KiBIsRefusedAtOnce) {
    TempDir dir;
    write_file(dir.file("a"), "contents");
    const auto zero = run_process({kCli, "code", "--password-file", "/dev/zero", dir.file("a"), dir.file("a.cod")});
    EXPECT_EQ(zero.status, 2);
    EXPECT_TRUE(has(zero.err, "/dev/zero: the first line is longer than 64 KiB")) << zero.err;

    // A source that never ends, on a real pipe.
    int pipe_fds[2];
    ASSERT_EQ(::pipe2(pipe_fds, O_CLOEXEC), 0);
    const int zero_fd = ::open("/dev/zero", O_RDONLY | O_CLOEXEC);
    const int err = ::open(dir.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int null_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t cat = start({"/bin/cat"}, zero_fd, pipe_fds[1], null_fd);
    const pid_t cli = start({kCli, "code", dir.file("a"), dir.file("a.cod")}, pipe_fds[0], null_fd, err);
    for (int fd : {pipe_fds[0], pipe_fds[1], zero_fd, null_fd, err}) ::close(fd);
    EXPECT_EQ(wait_for(cli), 2);
    wait_for(cat);
    EXPECT_TRUE(has(read_file(dir.file("stderr")), "standard input: the first line is longer than 64 KiB"));
    EXPECT_FALSE(fs::exists(dir.file("a.cod")));

    // The longest line taken.
    const auto longest = run_process({kCli, "code", "-q", dir.file("a"), dir.file("a.cod")}, std::string(65536, 'p'));
    EXPECT_EQ(longest.status, 0) << longest.err;
}

TEST(CliPipes, DashReadsStandardInputAndWritesStandardOutput) {
    TempDir dir;
    // Larger than a block piece twice over: coded and decoded block by block.
    std::string contents(3'000'001, 'c');
    for (std::size_t i = 0; i < contents.size(); i += 4099) contents[i] = static_cast<char>(i);
    write_file(dir.file("a"), contents);
    write_file(dir.file("pw"), "pw\n");
    const std::string pw = dir.file("pw");
    ASSERT_EQ(run_process({kCli, "code", "-q", "--password-file", pw, dir.file("a"), dir.file("a.cod")}).status, 0);

    // tar c dir | tarnvold-cli code - out.cod, and back through a pipe.
    const auto piped = run_process({"/bin/sh", "-c",
                                    "cat \"$1\" | \"$0\" code -v --password-file \"$2\" - - | "
                                    "\"$0\" decode -v --password-file \"$2\" - - > \"$3\"",
                                    kCli, dir.file("a"), pw, dir.file("back")});
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(read_file(dir.file("back")), contents);
    // With -v the log lines went to standard error, standard output had the
    // data.
    EXPECT_TRUE(has(piped.err, "Coding finished")) << piped.err;
    EXPECT_TRUE(has(piped.err, "Decoding finished")) << piped.err;
    // "-" is named as what it is, never by a temporary file.
    EXPECT_TRUE(has(piped.err, "Starting code for : standard input\n")) << piped.err;
    EXPECT_TRUE(has(piped.err, "\nstandard input-->standard output\n")) << piped.err;
    EXPECT_FALSE(has(piped.err, "/dev/fd/") || has(piped.err, "tmp")) << piped.err;
    const auto coded =
        run_process({"/bin/sh", "-c", "\"$0\" code -q --password-file \"$1\" - - < \"$2\"", kCli, pw, dir.file("a")});
    EXPECT_EQ(coded.status, 0);
    EXPECT_EQ(coded.out, read_file(dir.file("a.cod")));  // the same bytes, seed 0 included
    EXPECT_EQ(coded.err, "");

    // The verdict comes at the end: the bytes go out all the same.
    const auto wrong = run_process({kCli, "decode", "-q", "-", "-"}, read_file(dir.file("a.cod")));
    EXPECT_EQ(wrong.status, 2);  // no password: standard input is the data
    write_file(dir.file("wrong"), "wrong\n");
    const auto mismatch = run_process({"/bin/sh", "-c", "\"$0\" decode -q --password-file \"$1\" - - < \"$2\"", kCli,
                                       dir.file("wrong"), dir.file("a.cod")});
    EXPECT_EQ(mismatch.status, 1);
    EXPECT_EQ(mismatch.out.size(), contents.size());
    EXPECT_EQ(mismatch.err, "tarnvold-cli: standard input: CRC mistmatch. May be wrong password ???\n");

    // --password-file - is standard input, which then cannot be the data.
    const auto from_stdin =
        run_process({kCli, "code", "-q", "--password-file", "-", dir.file("a"), dir.file("b.cod")}, "pw\n");
    EXPECT_EQ(from_stdin.status, 0) << from_stdin.err;
    EXPECT_EQ(read_file(dir.file("b.cod")), read_file(dir.file("a.cod")));
    const auto both = run_process({kCli, "code", "--password-file", "-", "-", dir.file("c.cod")}, "pw\n");
    EXPECT_EQ(both.status, 2);
    // So is standard input under its other names, a file or a pipe.
    for (const char* name : {"/dev/stdin", "/dev/fd/0", "/proc/self/fd/0"}) {
        const auto file = run_process({kCli, "code", "--password-file", name, "-", dir.file("c.cod")}, "pw\ndata");
        EXPECT_EQ(file.status, 2) << name << file.err;
        const auto pipe =
            run_process({"/bin/sh", "-c", "printf 'pw\\ndata' | \"$0\" code --password-file \"$1\" - \"$2\"", kCli,
                         name, dir.file("c.cod")});
        EXPECT_EQ(pipe.status, 2) << name << pipe.err;
    }
    EXPECT_FALSE(fs::exists(dir.file("c.cod")));
    EXPECT_FALSE(fs::exists("-"));
}
