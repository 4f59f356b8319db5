// SPDX-License-Identifier: GPL-3.0-or-later
// tarnvold-cli code-dir and decode-dir, run as a real process.
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace tarnvold::testing;
namespace fs = std::filesystem;

TEST(CliDir, TreeComesBackIdenticalThroughCodeDirAndDecodeDir) {
    TempDir dir;
    fs::create_directories(dir.file("src/deep/er"));
    fs::create_directories(dir.file("src/empty"));
    fs::create_directories(dir.file("coded"));
    fs::create_directories(dir.file("back"));
    const std::pair<const char*, std::string> files[] = {
        {"a.txt", std::string(70000, 'x')}, {"deep/b.bin", "\x01\x02"}, {"deep/er/none.dat", ""}, {"README", "r"}};
    for (const auto& [name, bytes] : files) write_file(dir.file("src/") + name, bytes);

    const auto code = run_process({TARNVOLD_CLI, "code-dir", "-v", dir.file("src"), dir.file("coded") + "/"}, "pw\n");
    ASSERT_EQ(code.status, 0) << code.err;
    const auto lines = lines_of(code.out);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[4], "Start coding for files : 4");  // after the four "Scanning..." lines
    EXPECT_EQ(lines[5], "Files will be stored in :");
    EXPECT_EQ(lines[6], dir.file("coded") + "/");

    const auto decode = run_process({TARNVOLD_CLI, "decode-dir", dir.file("coded"), dir.file("back")}, "pw\n");
    ASSERT_EQ(decode.status, 0) << decode.err;
    EXPECT_EQ(decode.out + decode.err, "");  // success is quiet
    for (const auto& [name, bytes] : files) EXPECT_TRUE(read_file(dir.file("back/") + name) == bytes) << name;
    EXPECT_TRUE(fs::is_empty(dir.file("back/empty")));
}

// A source holding no file of its own runs like any other, as in the
// window: an empty tree is mirrored, files reached by links are coded.
TEST(CliDir, AnEmptyTreeIsMirroredAndLinkedFilesAreCoded) {
    TempDir dir;
    fs::create_directories(dir.file("empty/sub/deeper"));
    fs::create_directories(dir.file("links"));
    fs::create_directories(dir.file("out1"));
    fs::create_directories(dir.file("out2"));
    write_file(dir.file("target.txt"), "t");
    fs::create_symlink(dir.file("target.txt"), dir.file("links/l.txt"));

    const auto empty = run_process({TARNVOLD_CLI, "code-dir", dir.file("empty"), dir.file("out1")}, "pw\n");
    EXPECT_EQ(empty.status, 0) << empty.err;
    EXPECT_EQ(empty.out + empty.err, "");
    EXPECT_TRUE(fs::is_empty(dir.file("out1/sub/deeper")));

    const auto links = run_process({TARNVOLD_CLI, "code-dir", dir.file("links"), dir.file("out2")}, "pw\n");
    EXPECT_EQ(links.status, 0) << links.err;
    EXPECT_EQ(entry_count(dir.file("out2")), 1u);
    EXPECT_TRUE(fs::is_regular_file(dir.file("out2/l_txt.cod")));
}

TEST(CliDir, ExitStatuses) {
    TempDir dir;
    fs::create_directories(dir.file("src/sub"));
    fs::create_directories(dir.file("out"));
    write_file(dir.file("src/plain.txt"), std::string(40, 'p'));
    auto run = [&](const char* command, const std::string& source, const std::string& destination) {
        return run_process({TARNVOLD_CLI, command, source, destination}, "pw\n");
    };
    // Not a coded file: one line on standard error, and the walk goes on to
    // its summary.
    const auto plain = run("decode-dir", dir.file("src"), dir.file("out"));
    EXPECT_EQ(plain.status, 1);
    EXPECT_EQ(plain.out, "");
    EXPECT_EQ(plain.err, "tarnvold-cli: " + dir.file("src/plain.txt") +
                             ": This is not Tarnvold coded file\ntarnvold-cli: 0 decoded, 1 refused, 0 failed\n");

    EXPECT_EQ(run("code-dir", dir.file("src"), dir.file("missing")).status, 2);
    EXPECT_EQ(run("code-dir", dir.file("src"), dir.file("src/sub") + "/").status, 2);
    EXPECT_EQ(run("code-dir", dir.file("src/sub"), dir.file("src")).status, 2);  // the other way round
    EXPECT_TRUE(fs::is_empty(dir.file("src/sub")));
    EXPECT_EQ(entry_count(dir.file("src")), 2u);

    write_file(dir.file("src/sub/short"), std::string("\x08Tarnvold\x01\x05", 11) + std::string(13, '\0') +
                                              std::string("\x22\x00", 2) +
                                              std::string(10, '\0'));  // no room for the seed
    // Damaged: refused by name like a file that is not coded, and the walk
    // goes on.
    const auto damaged = run("decode-dir", dir.file("src"), dir.file("out"));
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.err.find(dir.file("src/sub/short") + ": is a damaged coded file"), std::string::npos);
    EXPECT_NE(damaged.err.find(dir.file("src/plain.txt")), std::string::npos);
}

TEST(CliDir, AnyDepthWithAnyStackAndFewDescriptors) {
    // On tmpfs where there is one: a deep tree is slow to remove from a disk.
    std::string base = fs::is_directory("/dev/shm") ? "/dev/shm/tarnvold-deep-XXXXXX" : "/tmp/tarnvold-deep-XXXXXX";
    ASSERT_NE(::mkdtemp(base.data()), nullptr);
    struct Scratch {
        std::string path;
        std::string file(const std::string& name) const { return path + "/" + name; }
        // A tree deeper than any path is removed by the tools made for it.
        ~Scratch() { run_process({"/bin/rm", "-rf", path}); }
    } dir{base};
    fs::create_directories(dir.file("src/deep"));
    write_file(dir.file("src/top.txt"), "top");
    write_file(dir.file("pw"), "pw\n");
    // 1000 folders deep, made one inside the other: a walk that recurses
    // needs more stack than 256 KiB for it.
    constexpr int kDepth = 1000;
    int at = ::open(dir.file("src/deep").c_str(), O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < kDepth && at >= 0; ++i) {
        ::mkdirat(at, "d", 0777);
        const int next = ::openat(at, "d", O_DIRECTORY | O_CLOEXEC);
        ::close(at);
        at = next;
    }
    ASSERT_GE(at, 0);
    const int bottom = ::openat(at, "bottom.txt", O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_EQ(::write(bottom, "b", 1), 1);
    ::close(bottom);
    ::close(at);
    auto code_dir = [&](const std::string& limits, const std::string& to) {
        fs::create_directories(to);
        return run_process({"/bin/sh", "-c",
                            limits + " && exec \"$0\" code-dir -q --password-file \"$1\" \"$2\" \"$3\"", TARNVOLD_CLI,
                            dir.file("pw"), dir.file("src"), to});
    };
    struct rlimit files {};
    ::getrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_max == RLIM_INFINITY || files.rlim_max > 2 * kDepth + 100) {
        // A stack far too small for a walk that recurses, descriptors enough.
        const auto deep = code_dir("ulimit -s 256 && ulimit -n " + std::to_string(2 * kDepth + 100), dir.file("dst"));
        EXPECT_EQ(deep.status, 0) << deep.err;
        const auto found = run_process({"/usr/bin/find", dir.file("dst"), "-name", "bottom_txt.cod"});
        EXPECT_EQ(lines_of(found.out).size(), 1u) << found.err;
    }
    // Few descriptors: what cannot be held open is refused by name, the
    // rest is done.
    const auto few = code_dir("ulimit -n 32", dir.file("few"));
    EXPECT_EQ(few.status, 1) << few.err;
    EXPECT_NE(few.err.find("/d: cannot be entered: "), std::string::npos) << few.err;
    EXPECT_NE(few.err.find(std::strerror(EMFILE)), std::string::npos) << few.err;
    EXPECT_EQ(read_file(dir.file("few/top_txt.cod")).size(), 3u + 38u);
}

// Run as an ordinary user, since root enters every folder.
TEST(CliDir, AFolderThatCannotBeEnteredIsNamedAndFailsTheRun) {
    TempDir dir;
    make_tree(dir.file("src"), {{"a.txt", "a"}, {"locked/f.txt", "f"}});
    make_tree(dir.file("out"), {});
    std::vector<std::string> args;
    if (::geteuid() == 0) {
        if (!fs::exists("/usr/bin/setpriv"))
            GTEST_SKIP() << "running as root without setpriv: cannot test as an ordinary user";
        args = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            ASSERT_EQ(::lchown(e.path().c_str(), 65534, 65534), 0);
    }
    fs::permissions(dir.file("src/locked"), fs::perms::none);
    args.insert(args.end(), {TARNVOLD_CLI, "code-dir", dir.file("src"), dir.file("out")});
    const auto r = run_process(args, "pw\n");
    EXPECT_EQ(r.status, 1) << r.err;
    // The walk's own reason, the folder named once; the totals count files.
    EXPECT_EQ(r.err, "tarnvold-cli: " + dir.file("src/locked") +
                         ": cannot be entered: Permission denied\n"
                         "tarnvold-cli: 1 coded, 0 refused, 0 failed, 1 folder passed by\n");
    EXPECT_TRUE(fs::exists(dir.file("out/a_txt.cod")));
    EXPECT_FALSE(fs::exists(dir.file("out/locked")));
    fs::permissions(dir.file("src/locked"), fs::perms::owner_all);
}
