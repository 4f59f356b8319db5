// SPDX-License-Identifier: GPL-3.0-or-later
// Folder runs that nothing can lead outside their destination: folders
// swapped for links while a run is in them, links at destination names, and
// the temporary files of runs that were killed.
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
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

const std::string kKillChild = TARNVOLD_CLI_KILL_CHILD;

// A tool process stopped where it said "paused" (pid -1 when it did not).
using Paused = PipedChild;

Paused start_paused(const std::vector<std::string>& args) {
    Paused child = start_piped(args);
    if (child.pid > 0 && !read_until(child.out, "paused\n").ends_with("paused\n")) child.pid = -1;
    return child;
}

// Lets a child that waits for its standard input go on, or ends it with
// `sig`; returns its exit status, or -1 when a signal ended it.
int finish(Paused& child, int sig = 0) {
    if (sig != 0) ::kill(child.pid, sig);
    ::close(child.in);
    char buf[4096];
    while (::read(child.out, buf, sizeof buf) > 0) {
    }
    ::close(child.out);
    int status = 0;
    ::waitpid(child.pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> temporaries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (const auto name = e.path().filename().string(); name.size() == 26 && name.starts_with(".tvtmp-"))
            names.push_back(name);
    return names;
}

}  // namespace

TEST(CliHandles, AFolderSwappedForALinkDuringARunLeadsNowhereElse) {
    for (const bool source_side : {false, true}) {
        for (const bool yes : {false, true}) {
            TempDir dir;
            fs::create_directories(dir.file("src/sub"));
            fs::create_directories(dir.file("dst"));
            fs::create_directories(dir.file("outside"));
            write_file(dir.file("pw"), "pw\n");
            for (int i = 0; i < 6; ++i) {
                const std::string n = std::to_string(i);
                write_file(dir.file("src/sub/f" + n + ".txt"), "contents " + n);
                // Outside: files under half the coded names, and others
                // under the source's names.
                if (i % 2 == 0) write_file(dir.file("outside/f" + n + "_txt.cod"), "not to be touched");
                write_file(dir.file("outside/f" + n + ".txt"), "outside, not to be coded");
            }
            const auto before = snapshot(dir.file("outside"));

            // It stops at its second write, inside the subfolder; meanwhile
            // that subfolder is swapped for a link to the outside folder.
            std::vector<std::string> args = {kKillChild, "1w", "code-dir", "-q", "--password-file", dir.file("pw")};
            if (yes) args.push_back("--yes");
            args.push_back(dir.file("src"));
            args.push_back(dir.file("dst"));
            Paused child = start_paused(args);
            ASSERT_GT(child.pid, 0);
            const std::string swapped = dir.file(source_side ? "src/sub" : "dst/sub");
            const std::string aside = dir.file(source_side ? "src/.aside" : "dst/.aside");
            fs::create_directory_symlink(dir.file("outside"), aside);
            if (::renameat2(AT_FDCWD, swapped.c_str(), AT_FDCWD, aside.c_str(), RENAME_EXCHANGE) != 0) {
                finish(child, SIGKILL);
                GTEST_SKIP() << "this file system cannot exchange names: " << std::strerror(errno);
            }
            EXPECT_EQ(finish(child), 0) << "source side " << source_side << ", --yes " << yes;

            EXPECT_EQ(snapshot(dir.file("outside")), before) << "source side " << source_side << ", --yes " << yes;
            // The run went on in the folders it had opened: every file of the
            // subfolder it was in, and nothing else.
            const std::string written = dir.file(source_side ? "dst/sub" : "dst/.aside");
            std::vector<std::string> names;
            for (const auto& e : fs::directory_iterator(written)) {
                names.push_back(e.path().filename().string());
                EXPECT_EQ(fs::file_size(e.path()), 10u + 38u) << e.path();  // coded from "contents N"
            }
            std::sort(names.begin(), names.end());
            EXPECT_EQ(names, (std::vector<std::string>{"f0_txt.cod", "f1_txt.cod", "f2_txt.cod", "f3_txt.cod",
                                                       "f4_txt.cod", "f5_txt.cod"}));
        }
    }
}

TEST(CliHandles, DestinationLinksInFolderRunsAreRefusedAndTheRunGoesOn) {
    TempDir dir;
    fs::create_directories(dir.file("src"));
    fs::create_directories(dir.file("dst"));
    fs::create_directories(dir.file("back"));
    fs::create_directories(dir.file("outside"));
    write_file(dir.file("pw"), "pw\n");
    write_file(dir.file("src/a.txt"), "a");
    write_file(dir.file("src/b.txt"), "b");
    write_file(dir.file("outside/victim"), "not to be touched");
    // One link to a file that exists, one to a name that does not.
    fs::create_symlink(dir.file("outside/victim"), dir.file("dst/a_txt.cod"));
    const auto code = run_process(
        {TARNVOLD_CLI, "code-dir", "-y", "-q", "--password-file", dir.file("pw"), dir.file("src"), dir.file("dst")});
    EXPECT_EQ(code.status, 1) << code.err;
    EXPECT_NE(code.err.find(dir.file("dst") + "/a_txt.cod: is a symbolic link, which a folder run does not follow"),
              std::string::npos)
        << code.err;
    EXPECT_TRUE(fs::is_symlink(dir.file("dst/a_txt.cod")));
    EXPECT_TRUE(fs::is_regular_file(dir.file("dst/b_txt.cod")));

    fs::create_symlink(dir.file("outside/new"), dir.file("back/b.txt"));
    const auto decode = run_process(
        {TARNVOLD_CLI, "decode-dir", "-y", "-q", "--password-file", dir.file("pw"), dir.file("dst"), dir.file("back")});
    EXPECT_EQ(decode.status, 1) << decode.err;
    EXPECT_NE(decode.err.find(dir.file("back") + "/b.txt: is a symbolic link"), std::string::npos) << decode.err;
    EXPECT_EQ(read_file(dir.file("outside/victim")), "not to be touched");
    EXPECT_EQ(entry_count(dir.file("outside")), 1u);
}

TEST(CliHandles, ASingleFileDestinationLinkIsFollowedOnlyToAFileAndOnlyWhenItIsOurs) {
    TempDir dir;
    fs::create_directories(dir.file("shared"));
    fs::create_directories(dir.file("victim"));
    fs::permissions(dir.file("shared"), fs::perms::all | fs::perms::sticky_bit);
    write_file(dir.file("pw"), "pw\n");
    write_file(dir.file("a.txt"), "a");
    write_file(dir.file("victim/kept"), "kept");
    auto code_to = [&](const std::string& destination) {
        return run_process(
            {TARNVOLD_CLI, "code", "-yq", "--password-file", dir.file("pw"), dir.file("a.txt"), destination});
    };
    // A link that leads nowhere, anywhere: refused, nothing created.
    fs::create_symlink(dir.file("victim/planted"), dir.file("dangling.cod"));
    const auto dangling = code_to(dir.file("dangling.cod"));
    EXPECT_EQ(dangling.status, 1) << dangling.err;
    EXPECT_TRUE(has(dangling.err, dir.file("dangling.cod") + ": is a symbolic link to " + dir.file("victim/planted") +
                                      ", which does not exist"))
        << dangling.err;
    EXPECT_FALSE(fs::exists(dir.file("victim/planted")));
    // In the shared folder, links another user planted are not followed,
    // to a file or to nothing.
    if (::geteuid() != 0) GTEST_SKIP() << "making another user's link needs root";
    for (const char* target : {"victim/kept", "victim/planted"}) {
        const std::string link = dir.file("shared/out.cod");
        fs::remove(link);
        fs::create_symlink(dir.file(target), link);
        ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
        const auto planted = code_to(link);
        EXPECT_EQ(planted.status, 1) << planted.err;
        EXPECT_TRUE(has(planted.err, link + ": is a symbolic link of another user in a shared folder")) << planted.err;
    }
    EXPECT_EQ(read_file(dir.file("victim/kept")), "kept");
    EXPECT_FALSE(fs::exists(dir.file("victim/planted")));
}

TEST(CliHandles, OnlyTheProgramsOwnUnheldTemporariesAreRemovedAndLookAlikesAreFiles) {
    TempDir dir;
    fs::create_directories(dir.file("src"));
    fs::create_directories(dir.file("coded"));
    fs::create_directories(dir.file("back"));
    write_file(dir.file("pw"), "pw\n");
    write_file(dir.file("src/a.txt"), "aaaa");
    // Names like the program's temporaries, but not of their exact form.
    const std::vector<std::string> alike = {".notes.tvtmp-2023-12", ".tvtmp-1234-beef", ".tvtmp-0000001234-0000BEEF"};
    for (const auto& name : alike) write_file(dir.file("src/" + name), name);
    for (const auto& name : {".x.tvtmp-31337-cafe", ".tvtmp-99999999999-0"})
        write_file(dir.file("coded/") + name, "mine");
    const std::vector<std::string> pw = {"-q", "--password-file", dir.file("pw")};

    // Two runs on a file system without unnamed temporary files, stopped
    // with their temporary file made: one is killed, one lives on in a
    // process-number space of its own, under a number no process has here.
    Paused killed = start_paused(
        {kKillChild, "0n", "code", "--password-file", dir.file("pw"), dir.file("src/a.txt"), dir.file("coded/k.cod")});
    ASSERT_GT(killed.pid, 0);
    finish(killed, SIGKILL);
    const auto stale = temporaries(dir.file("coded"));
    ASSERT_EQ(stale.size(), 1u);
    int free_pid = 5000;
    while (fs::exists("/proc/" + std::to_string(free_pid))) ++free_pid;
    const std::vector<std::string> own_space = {"/usr/bin/unshare",
                                                "--pid",
                                                "--fork",
                                                "--kill-child",
                                                "--mount-proc",
                                                "/bin/sh",
                                                "-c",
                                                "echo $0 > /proc/sys/kernel/ns_last_pid; \"$@\" & wait",
                                                std::to_string(free_pid - 1)};
    std::vector<std::string> args = {
        kKillChild, "0n", "code", "--password-file", dir.file("pw"), dir.file("src/a.txt"), dir.file("coded/l.cod")};
    Paused living = start_paused(fs::exists(own_space[0]) ? [&] {
        auto all = own_space;
        all.insert(all.end(), args.begin(), args.end());
        return all;
    }()
                                                           : args);
    if (living.pid <= 0) living = start_paused(args);  // no process-number spaces here
    ASSERT_GT(living.pid, 0);
    auto live = temporaries(dir.file("coded"));
    std::erase(live, stale[0]);
    ASSERT_EQ(live.size(), 1u);

    const auto code = run_process(
        {TARNVOLD_CLI, "code-dir", "-q", "--password-file", dir.file("pw"), "-y", dir.file("src"), dir.file("coded")});
    EXPECT_EQ(code.status, 0) << code.err;
    // The stale one is gone, the live one stays, the look-alikes are files.
    EXPECT_EQ(temporaries(dir.file("coded")), live);
    EXPECT_EQ(read_file(dir.file("coded/.x.tvtmp-31337-cafe")), "mine");
    EXPECT_EQ(read_file(dir.file("coded/.tvtmp-99999999999-0")), "mine");
    EXPECT_EQ(entry_count(dir.file("coded")), 2u + 1u + 4u);
    EXPECT_TRUE(fs::exists(dir.file("coded/_tvtmp-1234-beef.cod")));

    // The live temporary is no input; the coded look-alikes come back.
    const auto decode = run_process(
        {TARNVOLD_CLI, "decode-dir", "-v", "--password-file", dir.file("pw"), dir.file("coded"), dir.file("back")});
    EXPECT_EQ(decode.status, 1) << decode.err;  // the two plain look-alikes are no coded files
    EXPECT_NE(decode.out.find("Start decoding for files : 6"), std::string::npos) << decode.out;
    EXPECT_EQ(entry_count(dir.file("back")), 4u);
    EXPECT_EQ(read_file(dir.file("back/a.txt")), "aaaa");
    finish(living, SIGKILL);
}
