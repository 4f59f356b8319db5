// SPDX-License-Identifier: GPL-3.0-or-later
// Coding must never cost anyone a byte: no source destroyed, no existing
// destination lost, nothing half-written left behind, no handle leaked.
#include "config/config_record.h"
#include "config/international.h"
#include "engine/engine.h"
#include "io/file_io.h"
#include "support/fault_plan.h"
#include "support/run_process.h"
#include "support/script_ui.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tarnvold;
using namespace tarnvold::testing;
namespace fs = std::filesystem;

TEST(Safety, SourceAndDestinationNamingTheSameFileAreRefused) {
    TempDir dir;
    const std::string contents = "precious data";
    write_file(dir.file("src"), contents);
    fs::create_symlink(dir.file("src"), dir.file("link"));
    fs::create_hard_link(dir.file("src"), dir.file("hard"));
    for (const std::string& other :
         {dir.file("src"), dir.file("link"), dir.file("hard"), dir.path().string() + "/./src"}) {
        ScriptUi ui;
        Engine engine(ui);
        EXPECT_EQ(engine.codefile(dir.file("src"), other, "pw"), Outcome::Refused) << other;
        EXPECT_EQ(engine.decodefile(dir.file("src"), other, "pw"), Outcome::Refused) << other;
        EXPECT_EQ(read_file(dir.file("src")), contents);
        EXPECT_TRUE(ui.with_prefix("ask:").empty());
        EXPECT_EQ(ui.with_prefix("notice:Source and destination are the same file").size(), 2u);
        EXPECT_EQ(ui.count("log:Coding aborted"), 1);
        EXPECT_EQ(ui.count("log:Decoding aborted"), 1);
    }
}

TEST(Safety, FilesOfTwoGigabytesAreRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    {
        std::FILE* f = std::fopen(dir.file("huge").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(::ftruncate(fileno(f), 2147483648LL), 0);  // sparse: costs nothing
        std::fclose(f);
    }
    ScriptUi ui;
    Engine engine(ui);
    EXPECT_EQ(engine.codefile(dir.file("huge"), dir.file("huge.cod"), "pw"), Outcome::Refused);
    EXPECT_FALSE(fs::exists(dir.file("huge.cod")));
    EXPECT_EQ(ui.with_prefix("log:Files of 2 GiB").size(), 1u);

    // A coded file whose payload would be as large: header, then the size.
    std::string header = std::string("\x08Tarnvold\x01\x05", 11) + std::string(13, '\0') + std::string("\x22\x00", 2) +
                         std::string(6, '\0');
    write_file(dir.file("huge.cod"), header);
    ASSERT_EQ(::truncate(dir.file("huge.cod").c_str(), 2147483648LL + 38), 0);
    ScriptUi ui2;
    Engine engine2(ui2);
    EXPECT_EQ(engine2.decodefile(dir.file("huge.cod"), dir.file("out"), "pw"), Outcome::Refused);
    EXPECT_FALSE(fs::exists(dir.file("out")));
    EXPECT_EQ(ui2.count("notice:Coded files whose contents would be 2 GiB (2147483648 bytes) or more cannot be "
                        "decoded: " +
                        dir.file("huge.cod")),
              1);
}

TEST(Safety, ReadOnlySourcesAreCodedAndKeepTheirRights) {
    TempDir dir;
    write_file(dir.file("ro"), "read only contents");
    ::chmod(dir.file("ro").c_str(), 0444);
    ScriptUi ui;
    Engine engine(ui);
    EXPECT_EQ(engine.codefile(dir.file("ro"), dir.file("ro.cod"), "pw"), Outcome::Done);
    ::chmod(dir.file("ro.cod").c_str(), 0444);
    EXPECT_EQ(engine.decodefile(dir.file("ro.cod"), dir.file("back"), "pw"), Outcome::Done);
    EXPECT_EQ(read_file(dir.file("back")), "read only contents");
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("ro").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

// ------------------------------------------------------------- sources

TEST(Sources, OnlyRegularFilesAreCodedDecodedCheckedOrTested) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);  // no writer: opening must not wait
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, dir.file("sock").c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    fs::create_directory(dir.file("folder"));
    const std::size_t entries = entry_count(dir.path());
    // /dev/zero would otherwise be coded as an empty file.
    for (const std::string& source :
         {std::string("/dev/zero"), dir.file("pipe"), dir.file("sock"), dir.file("folder")}) {
        ScriptUi ui;
        Engine engine(ui);
        const std::string refusal = source + " is not a regular file";
        EXPECT_EQ(engine.codefile(source, dir.file("out"), "pw"), Outcome::Refused) << source;
        EXPECT_EQ(engine.decodefile(source, dir.file("out"), "pw"), Outcome::Refused) << source;
        EXPECT_EQ(engine.test_file(source, "pw"), Outcome::Refused) << source;
        EXPECT_EQ(ui.count("log:" + refusal), 3) << source;
        EXPECT_EQ(ui.count("notice:" + refusal), 2) << source;
        try {
            engine.file_byte_sum(source);
            ADD_FAILURE() << "checksummed " << source;
        } catch (const IoError& e) {
            EXPECT_EQ(e.path(), source);
        }
        EXPECT_EQ(entry_count(dir.path()), entries) << source;
    }
    ::close(sock);
}

// --------------------------------------------------------- destinations

namespace {
bool has_temporary(const fs::path& folder);
}

TEST(Destinations, OnlyARegularFileOrNothingIsReplaced) {
    TempDir dir;
    write_file(dir.file("src"), "plain contents");
    ScriptUi quiet;
    Engine coder(quiet);
    coder.codefile(dir.file("src"), dir.file("src.cod"), "pw");
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    fs::create_directory(dir.file("folder"));
    std::vector<std::string> odd = {dir.file("pipe"), dir.file("folder")};
    if (::mknod(dir.file("null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) odd.push_back(dir.file("null"));
    fs::create_symlink(dir.file("pipe"), dir.file("to-pipe"));
    odd.push_back(dir.file("to-pipe"));
    const std::size_t entries = entry_count(dir.path());
    for (const std::string& destination : odd) {
        ScriptUi ui;
        Engine engine(ui);
        EXPECT_EQ(engine.codefile(dir.file("src"), destination, "pw"), Outcome::Refused) << destination;
        EXPECT_EQ(engine.decodefile(dir.file("src.cod"), destination, "pw"), Outcome::Refused) << destination;
        EXPECT_TRUE(ui.with_prefix("ask:").empty());
        const std::string shown =
            destination == dir.file("to-pipe") ? destination + " -> " + dir.file("pipe") : destination;
        EXPECT_EQ(ui.count("notice:" + shown + " is not a regular file and cannot be replaced"), 2) << destination;
        EXPECT_EQ(entry_count(dir.path()), entries) << destination;
    }
    EXPECT_EQ(fs::status(dir.file("pipe")).type(), fs::file_type::fifo);

    // A link: the question is about its target, which is replaced; the link
    // stays a link.  A link to a name not taken yet is not written through.
    write_file(dir.file("target"), "old target");
    fs::create_symlink("target", dir.file("link"));
    fs::create_symlink("sub/new", dir.file("dangling"));
    fs::create_directory(dir.file("sub"));
    {
        ScriptUi ui;
        ui.answers = {true};
        Engine engine(ui);
        EXPECT_EQ(engine.codefile(dir.file("src"), dir.file("link"), "pw"), Outcome::Done);
        EXPECT_EQ(engine.codefile(dir.file("src"), dir.file("dangling"), "pw"), Outcome::Refused);
        EXPECT_EQ(ui.with_prefix("ask:").size(), 1u);
    }
    EXPECT_TRUE(fs::is_symlink(dir.file("link")));
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling")));
    EXPECT_EQ(read_file(dir.file("target")).size(), 14u + 38u);
    EXPECT_FALSE(fs::exists(dir.file("sub/new")));

    // A file with another hard link is replaced as a whole: the other name
    // keeps the old contents.
    write_file(dir.file("shared"), "old shared");
    fs::create_hard_link(dir.file("shared"), dir.file("other-name"));
    ScriptUi ui;
    ui.answers = {true};
    Engine engine(ui);
    EXPECT_EQ(engine.decodefile(dir.file("src.cod"), dir.file("shared"), "pw"), Outcome::Done);
    EXPECT_EQ(read_file(dir.file("shared")), "plain contents");
    EXPECT_EQ(read_file(dir.file("other-name")), "old shared");

    // A file that appears under a free name while the output is written, or
    // just before it is put in place, was never asked about: it stays, with
    // unnamed temporary files and without them.
    static const std::string late = dir.file("late");
    struct Case {
        bool named;
        IoOp when;
    };
    for (Case c :
         {Case{false, IoOp::Write}, Case{false, IoOp::Rename}, Case{true, IoOp::Write}, Case{true, IoOp::Rename}}) {
        fs::remove(late);
        set_io_fault_hook(
            [](IoOp op, const std::string&, void* context) {
                const auto* at = static_cast<Case*>(context);
                if (op == at->when && !fs::exists(late)) write_file(late, "appeared meanwhile");
                return op == IoOp::TmpFile && at->named ? EOPNOTSUPP : 0;
            },
            &c);
        try {
            engine.codefile(dir.file("src"), late, "pw");
            ADD_FAILURE() << "replaced a file nobody was asked about, named " << c.named;
        } catch (const IoError& e) {
            EXPECT_EQ(e.code(), EEXIST);
        }
        set_io_fault_hook(nullptr, nullptr);
        EXPECT_EQ(read_file(late), "appeared meanwhile") << c.named << " " << static_cast<int>(c.when);
    }
    EXPECT_FALSE(has_temporary(dir.path()));
}

namespace {

// Runs `checks` as an unprivileged user (in a child when this process is
// root) and returns what they found wrong.
std::string as_unprivileged(const std::function<std::string()>& checks) {
    if (::geteuid() != 0) return checks();
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string found = "cannot drop privileges";
        if (::setgroups(0, nullptr) == 0 && ::setresgid(65534, 65534, 65534) == 0 &&
            ::setresuid(65534, 65534, 65534) == 0)
            found = checks();
        if (::write(fds[1], found.data(), found.size()) < 0) _exit(2);
        _exit(0);
    }
    ::close(fds[1]);
    std::string found;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) found.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) found += " (child ended badly)";
    return found;
}

}  // namespace

TEST(Destinations, WhatThisUserCouldNotOpenForWritingIsRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    write_file(dir.file("src"), "new contents");
    write_file(dir.file("protected"), "protected contents");
    write_file(dir.file("tarnvold_conf.cfg"), "protected settings");
    fs::create_directory(dir.file("lang"));
    write_file(dir.file("lang/english.tvl"), "protected texts");
    fs::create_directory(dir.file("locked"));
    for (const char* name : {"protected", "tarnvold_conf.cfg", "lang/english.tvl"})
        ::chmod(dir.file(name).c_str(), 0444);
    ::chmod(dir.file("src").c_str(), 0644);
    ::chmod(dir.file("locked").c_str(), 0555);
    const std::size_t entries = entry_count(dir.path());

    const std::string found = as_unprivileged([&] {
        std::string wrong;
        {
            ScriptUi ui;
            ui.answers = {true};
            Engine engine(ui);
            if (engine.codefile(dir.file("src"), dir.file("protected"), "pw") != Outcome::Refused) wrong += "coded;";
            if (ui.count("notice:Cannot replace " + dir.file("protected") + ": Permission denied") != 1)
                wrong += "no notice;";
            if (!ui.with_prefix("ask:").empty()) wrong += "asked;";
        }
        // The settings and the English texts are written the same way.
        Language language;
        language.fill_english_table();
        Configuration configuration(language);
        configuration.record = config_record::defaults();
        for (const std::string& name : {dir.file("tarnvold_conf.cfg"), dir.file("lang/english.tvl")}) {
            try {
                if (name.ends_with(".cfg"))
                    configuration.write_config(name);
                else
                    write_lang_file(name, language.lang_table());
                wrong += "wrote " + name + ";";
            } catch (const IoError& e) {
                if (std::string(e.what()) != name + ": Permission denied.") wrong += std::string(e.what()) + ";";
            }
        }
        // No room for the temporary file: the folder is named.
        try {
            ScriptUi ui;
            Engine engine(ui);
            engine.codefile(dir.file("src"), dir.file("locked/new"), "pw");
            wrong += "coded into locked;";
        } catch (const IoError& e) {
            if (e.path() != dir.file("locked") || e.code() != EACCES) wrong += std::string(e.what()) + ";";
        }
        return wrong;
    });
    EXPECT_EQ(found, "");
    EXPECT_EQ(read_file(dir.file("protected")), "protected contents");
    EXPECT_EQ(read_file(dir.file("tarnvold_conf.cfg")), "protected settings");
    EXPECT_EQ(read_file(dir.file("lang/english.tvl")), "protected texts");
    EXPECT_EQ(entry_count(dir.path()), entries);
    EXPECT_EQ(entry_count(dir.file("locked")), 0u);
}

// ------------------------------------------------------ temporary files

namespace {

bool has_temporary(const fs::path& folder) {
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().find(".tvtmp-") != std::string::npos) return true;
    return false;
}

// Records, at every file operation, whether a temporary name was visible;
// optionally refuses unnamed temporary files.
struct Watch {
    fs::path folder;
    bool refuse_unnamed = false;
    std::vector<std::string> seen;  // the operations at which a temporary name was there
};

int watch(IoOp op, const std::string&, void* context) {
    auto* w = static_cast<Watch*>(context);
    if (op == IoOp::TmpFile && w->refuse_unnamed) return EOPNOTSUPP;
    if (has_temporary(w->folder)) w->seen.push_back(std::to_string(static_cast<int>(op)));
    return 0;
}

}  // namespace

TEST(TemporaryFiles, UnnamedWhereTheFileSystemAllowsItNamedAndCleanedUpElsewhere) {
    TempDir dir;
    write_file(dir.file("src"), std::string(5000, 'z'));
    for (const bool refuse_unnamed : {false, true}) {
        for (const bool replacing : {false, true}) {
            fs::remove(dir.file("dst"));
            if (replacing) write_file(dir.file("dst"), "older");
            Watch w{dir.path(), refuse_unnamed, {}};
            set_io_fault_hook(&watch, &w);
            ScriptUi ui;
            ui.answers = {true};
            Engine engine(ui);
            EXPECT_EQ(engine.codefile(dir.file("src"), dir.file("dst"), "pw"), Outcome::Done);
            set_io_fault_hook(nullptr, nullptr);
            EXPECT_FALSE(has_temporary(dir.path()));
            EXPECT_EQ(read_file(dir.file("dst")).size(), 5038u);
            if (refuse_unnamed) {
                // The named file is there while the contents are written.
                EXPECT_FALSE(w.seen.empty());
            } else {
                // A free name is given to the finished file directly; a file
                // that is replaced meets a name only for the last step.
                const std::vector<std::string> expected =
                    replacing ? std::vector<std::string>{std::to_string(static_cast<int>(IoOp::Close)),
                                                         std::to_string(static_cast<int>(IoOp::Rename))}
                              : std::vector<std::string>{};
                EXPECT_EQ(w.seen, expected) << "replacing " << replacing;
            }
        }
    }
}

namespace {

// Starts the interruption child on SOURCE -> DESTINATION and waits until it
// has paused at its first write.  Returns its pid and its standard input.
std::pair<pid_t, int> start_paused_child(const std::string& source, const std::string& destination, bool named) {
    const PipedChild child = start_piped({TARNVOLD_INTERRUPT_CHILD, source, destination, named ? "named" : "unnamed"});
    if (child.pid < 0) return {-1, -1};
    const std::string said = read_until(child.out, "\n");
    ::close(child.out);
    if (said != "paused\n") return {-1, -1};
    return {child.pid, child.in};
}

// Interrupts a paused child with each signal; returns what went wrong.
// `refuse_unnamed` makes the child act as on a file system without unnamed
// temporary files; `named` is whether a named one must be there.
std::string interrupt_children(const fs::path& folder, bool refuse_unnamed, bool named) {
    std::string wrong;
    write_file((folder / "src").string(), std::string(5000, 'i'));
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        const auto [pid, input] =
            start_paused_child((folder / "src").string(), (folder / "dst").string(), refuse_unnamed);
        if (pid < 0) return "child did not pause";
        if (has_temporary(folder) != named) wrong += named ? "no named temporary file;" : "a named temporary file;";
        ::kill(pid, sig);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(input);
        if (!WIFSIGNALED(status) || WTERMSIG(status) != sig)
            wrong += "not ended by signal " + std::to_string(sig) + ";";
        if (has_temporary(folder)) wrong += "left a temporary file after signal " + std::to_string(sig) + ";";
        if (fs::exists(folder / "dst")) wrong += "made the destination;";
    }
    return wrong;
}

}  // namespace

TEST(TemporaryFiles, AnInterruptedRunLeavesNoNamedTemporaryFile) {
    TempDir dir;
    EXPECT_EQ(interrupt_children(dir.path(), true, true), "");
    EXPECT_EQ(interrupt_children(dir.path(), false, false), "");
}

TEST(TemporaryFiles, OnARealVfatFileSystem) {
    TempDir dir;
    const std::string image = dir.file("vfat.img"), mnt = dir.file("mnt");
    fs::create_directory(mnt);
    const std::string make = "truncate -s 8M " + image + " && mkfs.vfat " + image + " >/dev/null 2>&1";
    const std::string mount = "mount -o loop " + image + " " + mnt + " >/dev/null 2>&1";
    if (::geteuid() != 0 || std::system(make.c_str()) != 0 || std::system(mount.c_str()) != 0)
        GTEST_SKIP() << "vfat part skipped: mkfs.vfat or mounting a loop image is not permitted here";
    {
        write_file(mnt + "/src", "on a stick");
        ScriptUi ui;
        Engine engine(ui);
        EXPECT_EQ(engine.codefile(mnt + "/src", mnt + "/src.cod", "pw"), Outcome::Done);
        EXPECT_EQ(engine.decodefile(mnt + "/src.cod", mnt + "/back", "pw"), Outcome::Done);
        EXPECT_EQ(read_file(mnt + "/back"), "on a stick");
        EXPECT_FALSE(has_temporary(mnt));
        fs::remove(mnt + "/src.cod");
        fs::remove(mnt + "/back");
        // No unnamed files there: the child makes a named one by itself.
        EXPECT_EQ(interrupt_children(mnt, false, true), "");
    }
    EXPECT_EQ(std::system(("umount " + mnt).c_str()), 0);
}
