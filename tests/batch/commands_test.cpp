// SPDX-License-Identifier: GPL-3.0-or-later
// The command flows, driven through scripted dialogs.
#include "batch/commands.h"

#include "script_host.h"

#include "support/fault_plan.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

using namespace tarnvold;
using namespace tarnvold::testing;
namespace fs = std::filesystem;

namespace {

struct Rig {
    TempDir dir;
    ScriptUi ui;
    ScriptHost host{ui};
    Engine engine{ui};
    Commands commands{engine, ui, host};
    std::string src, out;  // a tree with two files, and an empty destination

    Rig() : src(dir.file("src")), out(dir.file("out")) {
        ui.record_steps = false;
        make_tree(src, {{"a.txt", std::string(50, 'a')}, {"sub/b.txt", std::string(50, 'b')}});
        make_tree(out, {});
    }
    // Where a call stands in the timeline (-1 when absent).
    std::ptrdiff_t at(const std::string& call) const {
        const auto it = std::find(ui.calls.begin(), ui.calls.end(), call);
        return it == ui.calls.end() ? -1 : it - ui.calls.begin();
    }
    void expect_idle() const {
        EXPECT_TRUE(host.menu && host.buttons && !host.blocked && !engine.batch_mode && !commands.busy());
        EXPECT_TRUE(!host.stop && !commands.stoppable());
        EXPECT_TRUE(ui.calls.back() == "host:unblocked" || ui.calls.back().starts_with("host:error:"));
        // A folder progress that was shown is hidden again.
        const auto shown = std::find(ui.calls.rbegin(), ui.calls.rend(), "show:folder");
        EXPECT_LT(std::find(ui.calls.rbegin(), ui.calls.rend(), "hide:folder"),
                  shown == ui.calls.rend() ? shown + 1 : shown);
    }
};

using Handler = void (Commands::*)();

// How many files lie below a folder.
std::size_t files_below(const std::string& folder) {
    std::size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder)) n += e.is_regular_file();
    return n;
}
constexpr std::nullopt_t cancel = std::nullopt;

}  // namespace

TEST(Commands, EveryCancelGivesOneCancelLineAfterTheUnlock) {
    struct Case {
        Handler run;
        Selection::Kind kind;
        std::size_t opens, saves, folders, passwords;  // how many dialogs confirm before the cancel
        bool coding;
    };
    using K = Selection::Kind;
    // clang-format off
    const Case cases[] = {
        {&Commands::code_file, K::None, 0, 0, 0, 0, true},      {&Commands::code_file, K::None, 1, 0, 0, 0, true},
        {&Commands::code_file, K::None, 1, 1, 0, 0, true},      {&Commands::decode_file, K::None, 1, 1, 0, 0, false},
        {&Commands::decode_object, K::None, 1, 0, 0, 0, false},   {&Commands::code_object, K::File, 0, 0, 0, 0, true},
        {&Commands::decode_object, K::File, 0, 1, 0, 0, false},   {&Commands::code_object, K::Folder, 0, 0, 0, 0, true},
        {&Commands::decode_object, K::Folder, 0, 0, 1, 0, false}, {&Commands::code_folder, K::None, 0, 0, 0, 0, true},
        {&Commands::decode_folder, K::None, 0, 0, 1, 0, false}, {&Commands::code_folder, K::None, 0, 0, 2, 0, true},
    };
    // clang-format on
    for (const auto& c : cases) {
        Rig r;
        r.host.selected = {c.kind, c.kind == K::File ? r.src + "/a.txt" : r.src};
        r.host.opens.assign(c.opens, r.src + "/a.txt");
        r.host.saves.assign(c.saves, r.out + "/x");
        r.host.folders.assign(c.folders, r.out);
        if (c.folders == 2) r.host.folders.front() = r.src;
        for (auto* s : {&r.host.opens, &r.host.saves, &r.host.folders, &r.host.passwords}) s->push_back(cancel);
        (r.commands.*c.run)();
        const std::string line = c.coding ? "log:Coding aborted" : "log:Decoding aborted";
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(r.ui.count(line), 1);
        EXPECT_TRUE(r.ui.with_prefix("notice:").empty());
        EXPECT_TRUE(fs::is_empty(r.out));
        if (r.at("host:menu:on") >= 0) {
            EXPECT_LT(r.at("host:menu:on"), r.at(line));
        }
        r.expect_idle();
    }
}

TEST(Commands, DecodeAsksBeforeThePasswordAndTheEngineAsksAgain) {
    Rig r;
    r.ui.record_steps = true;
    r.host.selected = {Selection::Kind::File, r.src + "/a.txt"};
    r.host.saves = {r.out + "/a.cod"};
    r.host.passwords = {"pw"};
    r.commands.code_object();
    EXPECT_EQ(r.ui.with_prefix("notice:"), std::vector<std::string>{"notice:Coding finished\n\r" + r.src + "/a.txt"});
    EXPECT_LT(r.at("notice:Coding finished\n\r" + r.src + "/a.txt"), r.at("host:menu:on"));

    write_file(r.out + "/back", "old");
    r.host.opens = {r.out + "/a.cod", r.out + "/a.cod", r.out + "/a.cod"};
    r.host.saves = {r.out + "/back", r.out + "/back", r.out + "/back"};
    r.host.passwords = {"wrong", "pw"};
    r.ui.answers = {false, true, true, true, true};
    r.ui.calls.clear();
    r.commands.decode_file();  // No at the first question: no password asked
    EXPECT_EQ(r.at("host:password"), -1);
    EXPECT_EQ(r.ui.count("log:Decoding aborted"), 1);
    r.commands.decode_file();  // Yes twice, but a wrong password: the file stays
    EXPECT_EQ(read_file(r.out + "/back"), "old");
    EXPECT_EQ(r.ui.count("log:" + r.out + "/back kept; the decoded data did not match"), 1);
    r.ui.calls.clear();
    r.host.selected = {};
    r.commands.decode_object();  // nothing selected: the file command, which asks, then the engine asks
    const std::string ask = "ask:This file exists.Do you want to rewrite this file ?";
    EXPECT_LT(r.at("host:open"), r.at(ask));
    EXPECT_LT(r.at(ask), r.at("host:password"));
    EXPECT_LT(r.at("host:password"),
              std::find(r.ui.calls.rbegin(), r.ui.calls.rend(), ask).base() - r.ui.calls.begin());
    EXPECT_EQ(r.ui.count(ask), 2);
    EXPECT_EQ(read_file(r.out + "/back"), std::string(50, 'a'));
    EXPECT_EQ(r.ui.with_prefix("notice:").back(), "notice:Decoding finished\n\r" + r.out + "/a.cod");
    r.expect_idle();
}

TEST(Commands, FolderObjectCountsThenAsksThenWalks) {
    Rig r;
    r.host.selected = {Selection::Kind::Folder, r.src};
    r.host.folders = {r.out + "/"};
    r.host.passwords = {"pw"};
    r.commands.code_object();
    const auto& L = r.ui.lines;
    ASSERT_GE(L.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(L.begin(), L.begin() + 6),
              (std::vector<std::string>{"Scanning..." + r.src, "Scanning..." + r.src + kSep + "sub",
                                        "Start coding for files : 2", "Files will be stored in :", r.out + "/",
                                        "Coding files in " + r.src}));
    EXPECT_LT(r.at("log:Start coding for files : 2"), r.at("host:folder:Select distanation directory"));
    EXPECT_LT(r.at("host:password"), r.at("host:buttons:off"));
    EXPECT_TRUE(fs::exists(r.out + "/sub/b_txt.cod"));
    EXPECT_EQ(r.ui.calls.end()[-2], "notice:Coding finished");  // after the unlock, without a path
    EXPECT_LT(r.at("host:menu:on"), r.at("notice:Coding finished"));
    EXPECT_EQ(r.host.passwords.size(), 0u);
}

TEST(Commands, StopEndsTheWalkAfterTheFileInProgress) {
    // Stop asked during the first file: by the menu command, by "Code object"
    // as the program is about to end (no box), and by nobody.
    enum { Menu, ObjectQuietly, NotStopped };
    for (const int how : {Menu, ObjectQuietly, NotStopped}) {
        SCOPED_TRACE(how);
        Rig r;
        write_file(r.src + "/sub/c.txt", "c");
        r.host.selected = {Selection::Kind::Folder, r.src};
        r.host.folders = {r.src, r.out};
        if (how == ObjectQuietly) r.host.folders.pop_front();
        r.host.passwords = {"pw"};
        r.commands.request_stop();  // no walk runs: nothing to stop
        int files = 0;
        r.commands.walk().on_file = [&](auto&, auto&, Outcome) {
            ++files;
            EXPECT_TRUE(r.host.stop && r.commands.stoppable());
            if (how != NotStopped) r.commands.request_stop(how == ObjectQuietly);
        };
        how == ObjectQuietly ? r.commands.code_object() : r.commands.code_folder();
        EXPECT_LT(r.at("host:password"), r.at("host:stop:on"));
        EXPECT_LT(r.at("host:stop:off"), r.at("host:menu:on"));
        r.expect_idle();
        const auto notices = r.ui.with_prefix("notice:");
        if (how == NotStopped) {
            EXPECT_EQ(files, 3);
            EXPECT_EQ(notices, std::vector<std::string>{"notice:Coding finished"});
            EXPECT_TRUE(r.ui.with_prefix("log:Stopped").empty());
            continue;
        }
        EXPECT_EQ(files, 1);
        EXPECT_EQ(r.commands.walk().files_done(), 1);
        const std::string stopped = "Stopped by the user after 1 of 3 files";
        EXPECT_EQ(r.ui.lines.back(), stopped);
        EXPECT_EQ(notices, how == Menu ? std::vector<std::string>{"notice:" + stopped} : std::vector<std::string>{});
        EXPECT_EQ(files_below(r.out), 1u);
    }
}

TEST(Commands, BatchModeHidesTheNotCodedBoxOnlyUnderDecodeObject) {
    for (bool object : {true, false}) {
        Rig r;
        std::vector<bool> modes;
        r.commands.walk().on_file = [&](auto&, auto&, Outcome) { modes.push_back(r.engine.batch_mode); };
        r.host.selected = {Selection::Kind::Folder, r.src};
        r.host.folders = {r.src, r.out};
        if (object) r.host.folders.pop_front();
        r.host.passwords = {"pw"};
        object ? r.commands.decode_object() : r.commands.decode_folder();
        EXPECT_EQ(r.ui.count("log:This is not Tarnvold coded file"), 2);
        EXPECT_EQ(r.ui.count("notice:This is not Tarnvold coded file"), object ? 0 : 2);
        EXPECT_EQ(modes, std::vector<bool>(2, object));
        r.expect_idle();
    }
}

TEST(Commands, AnIoErrorRestoresTheIdleStateBeforeItIsReported) {
    Rig r;
    // The walk's first read fails.
    r.host.selected = {Selection::Kind::Folder, r.src + "/sub"};
    r.host.folders = {r.out};
    r.host.passwords = {"pw"};
    {
        FaultPlan plan{IoOp::Read, 0, EIO};
        FaultScope scope(plan);
        r.commands.decode_object();
    }
    EXPECT_EQ(r.ui.calls.back(), "host:error:" + r.src + kSep + "sub" + kSep + "b.txt: " + std::strerror(EIO) + ".");
    EXPECT_LT(r.at("host:unblocked"), static_cast<long>(r.ui.calls.size()) - 1);
    EXPECT_TRUE(r.ui.with_prefix("notice:").empty());
    r.expect_idle();

    r.ui.calls.clear();
    r.host.opens = {r.dir.file("missing")};
    r.host.saves = {r.out + "/m"};
    r.host.passwords = {"pw"};
    r.commands.code_file();
    EXPECT_TRUE(r.ui.calls.back().starts_with("host:error:" + r.dir.file("missing")));
    r.expect_idle();
}

TEST(Commands, FoldersThatCannotServeAreRefusedBeforeAnythingIsWritten) {
    Rig r;
    r.host.selected = {Selection::Kind::Folder, r.src};
    r.host.folders = {r.src + "/sub/"};
    r.commands.code_object();  // refused before the password
    const std::string reason =
        "The destination folder is the source folder or lies inside it, nothing was written: " + r.src + "/sub/";
    EXPECT_EQ(r.ui.count("notice:" + reason), 1);
    EXPECT_EQ(r.ui.lines.back(), "Coding aborted");
    r.expect_idle();

    r.ui.calls.clear();
    r.host.folders = {r.src + "/", r.src + "/"};
    r.commands.decode_folder();  // refused before the count
    EXPECT_EQ(r.ui.with_prefix("log:Scanning").size(), 0u);
    EXPECT_EQ(r.ui.count("log:Decoding aborted"), 1);
    EXPECT_EQ(entry_count(r.src) + entry_count(r.src + "/sub"), 3u);
    r.expect_idle();

    // A source that cannot be listed: refused before the destination.
    r.ui.calls.clear();
    const std::string missing = r.dir.file("missing") + "/";
    r.host.folders = {missing, r.out + "/"};
    r.commands.code_folder();
    EXPECT_EQ(r.ui.with_prefix("notice:Cannot enter folder " + missing + ": ").size(), 1u);
    EXPECT_EQ(r.at("host:folder:Select distanation directory"), -1);
    EXPECT_EQ(r.ui.lines.back(), "Coding aborted");
    r.expect_idle();
}

TEST(Commands, NoSecondCommandStartsWhileOneWaitsInADialog) {
    Rig r;
    r.host.selected = {Selection::Kind::Folder, r.src};
    r.host.folders = {r.out};
    r.host.passwords = {"pw"};
    std::size_t before = 0;
    r.host.in_dialog = [&] {
        EXPECT_TRUE(r.host.blocked);
        before = r.ui.calls.size();
        for (Handler run : {&Commands::code_file, &Commands::decode_file, &Commands::code_object,
                            &Commands::decode_object, &Commands::code_folder, &Commands::decode_folder})
            (r.commands.*run)();
        EXPECT_EQ(r.ui.calls.size(), before);
    };
    r.commands.code_object();
    EXPECT_TRUE(fs::exists(r.out + "/a_txt.cod"));
    r.expect_idle();
}

#ifdef EDQUOT
constexpr int kQuotaExceeded = EDQUOT;
#else
constexpr int kQuotaExceeded = ENOSPC;  // no number of its own on Windows
#endif

TEST(Commands, FileFailuresDuringAWalkLoseNothing) {
    // A read error, a full disk, a failed sync, a failed rename and an output
    // that cannot be created, in the first or the second file of a coding or
    // a decoding walk whose destination already holds an older result (a
    // small file is read once).
    const FaultPlan faults[] = {{IoOp::Read, 0, EIO, 0},     {IoOp::Read, 1, EIO, 0},
                                {IoOp::Write, 0, ENOSPC, 0}, {IoOp::Write, 1, ENOSPC, 0},
                                {IoOp::Sync, 0, EIO, 0},     {IoOp::Rename, 0, EACCES, 0},
                                {IoOp::Rename, 1, EXDEV, 0}, {IoOp::CreateOutput, 1, kQuotaExceeded, 0}};
    for (const bool coding : {true, false}) {
        for (FaultPlan fault : faults) {
            Rig r;
            std::string source = r.src;
            if (!coding) {
                // Decode what an earlier walk coded.
                r.host.folders = {r.src + "/", r.dir.file("coded") + "/"};
                r.host.passwords = {"pw"};
                fs::create_directory(r.dir.file("coded"));
                r.commands.code_folder();
                source = r.dir.file("coded");
            }
            // An earlier result for every file: each must stay as it was.
            fs::create_directory(r.out + "/sub");
            const std::string a = coding ? "/a_txt.cod" : "/a.txt";
            const std::string b = coding ? "/sub/b_txt.cod" : "/sub/b.txt";
            write_file(r.out + a, "old a");
            write_file(r.out + b, "old b");
            const auto sources_before = snapshot(source);
            const auto out_before = snapshot(r.out);

            r.ui.calls.clear();
            r.ui.answers = {true, true};  // replace the older results
            r.host.folders = {source + "/", r.out + "/"};
            r.host.passwords = {"pw"};
            {
                FaultScope scope(fault);
                if (coding) {
                    r.commands.code_folder();
                } else {
                    r.commands.decode_folder();
                }
            }

            const std::string what = std::to_string(static_cast<int>(fault.op)) + "/" + std::to_string(fault.after) +
                                     (coding ? " coding" : " decoding");
            ASSERT_TRUE(r.ui.calls.back().starts_with("host:error:")) << what << ": " << r.ui.calls.back();
            EXPECT_NE(r.ui.calls.back().find(std::strerror(fault.error)), std::string::npos) << what;
            EXPECT_NE(r.ui.calls.back().find(r.dir.path().string()), std::string::npos) << what;
            EXPECT_EQ(snapshot(source), sources_before) << what;
            // A file the walk finished before the failure is a whole new
            // result; the one it failed on is as it was.  Nothing else.
            const auto out_after = snapshot(r.out);
            EXPECT_EQ(out_after.size(), out_before.size()) << what << ": a temporary file was left";
            int replaced = 0;
            for (const auto& [name, old_text] :
                 {std::pair{a, std::string("old a")}, std::pair{b, std::string("old b")}}) {
                const std::string now = out_after.at(r.out + name);
                if (now == old_text) continue;
                ++replaced;
                EXPECT_EQ(now.size(), coding ? 50u + 38u : 50u) << what << " " << name;
            }
            EXPECT_LE(replaced, 1) << what;
            r.expect_idle();
        }
    }
}
