// SPDX-License-Identifier: GPL-3.0-or-later
// The runs of several files as a front end without a screen meets them.
#include "batch/run.h"

#include "io/file_io.h"
#include "support/script_ui.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tarnvold;
using namespace tarnvold::testing;
namespace fs = std::filesystem;

namespace {

// Records what the run tells, and asks it to stop after `stop_after` files.
struct Recorder final : RunPresenter {
    std::int64_t counted = -1;
    std::vector<std::string> begun, missing;
    std::vector<FileOutcome> ended;
    std::size_t stop_after = 1000;
    void run_begins(std::int64_t count) override { counted = count; }
    void file_begins(const std::string& source, const std::string&) override { begun.push_back(source); }
    void file_ended(const FileOutcome& outcome, bool) override { ended.push_back(outcome); }
    void file_failed(const std::string& source, const IoError&, bool is_missing) override {
        if (is_missing) missing.push_back(source);
    }
    bool stop_requested() override { return begun.size() >= stop_after; }
};

struct Rig {
    TempDir dir;
    ScriptUi ui;
    Engine engine{ui};
    Recorder told;
    Rig() { ui.record_steps = false; }
    RunResult files(const std::vector<std::string>& sources, std::size_t stop_after = 1000) {
        told = Recorder{};
        told.stop_after = stop_after;
        SeveralFilesRun run(engine, ui, told, Operation::Code, false);
        return run.files(sources, dir.file("out"), "pw");
    }
};

}  // namespace

// Several sources into one folder: a second source under the same name
// never replaces the first one's output, a missing source is passed by,
// and a stop between two files leaves the rest undone.
TEST(SeveralFilesRun, SourcesIntoAFolderKeepTheFirstOutputAndPassTheMissingBy) {
    Rig r;
    fs::create_directories(r.dir.file("out"));
    write_file(r.dir.file("x.txt"), "first");
    fs::create_directories(r.dir.file("y"));
    write_file(r.dir.file("y/x.txt"), "second");
    const std::vector<std::string> sources = {r.dir.file("x.txt"), r.dir.file("gone.txt"), r.dir.file("y/x.txt")};

    const RunResult all = r.files(sources);
    EXPECT_EQ(all.end, RunEnd::Finished);
    EXPECT_EQ(r.told.counted, 3);
    EXPECT_EQ(r.told.missing, std::vector<std::string>{r.dir.file("gone.txt")});
    EXPECT_EQ(all.tally.text(Operation::Code), "1 coded, 2 refused, 0 failed");
    EXPECT_EQ(entry_count(r.dir.file("out")), 1u);
    ASSERT_EQ(r.told.ended.size(), 2u);
    EXPECT_EQ(r.told.ended[1].reason.why, Why::OutputWrittenAlready);
    EXPECT_EQ(r.told.ended[1].reason.target, r.dir.file("x.txt"));

    // Asked to stop once the first file began: the others are not touched.
    fs::remove(r.dir.file("out/x_txt.cod"));
    const RunResult stopped = r.files(sources, 1);
    EXPECT_EQ(stopped.end, RunEnd::Interrupted);
    EXPECT_EQ(stopped.progress_text(Operation::Code), "1 of 3 files done (1 coded, 0 refused, 0 failed)");
}

// A folder run: the preamble once, an empty tree mirrored, a file reached
// by a link coded like any other.
TEST(SeveralFilesRun, AFolderRunMirrorsEmptyFoldersAndCodesLinkedFiles) {
    Rig r;
    fs::create_directories(r.dir.file("src/empty/deeper"));
    fs::create_directories(r.dir.file("out"));
    write_file(r.dir.file("target.txt"), "t");
#ifndef _WIN32
    fs::create_symlink(r.dir.file("target.txt"), r.dir.file("src/l.txt"));
#endif
    SeveralFilesRun run(r.engine, r.ui, r.told, Operation::Code, false);
    const RunResult result = run.folder(r.dir.file("src"), r.dir.file("out"), "pw");
    EXPECT_EQ(result.end, RunEnd::Finished);
    EXPECT_TRUE(result.tally.all_done());
    EXPECT_TRUE(fs::is_empty(r.dir.file("out/empty/deeper")));
#ifndef _WIN32
    EXPECT_EQ(r.told.counted, 1);
    ASSERT_EQ(r.told.ended.size(), 1u);
    EXPECT_EQ(r.told.ended[0].source, r.dir.file("src") + kSep + "l.txt");
    EXPECT_TRUE(fs::exists(r.dir.file("out/l_txt.cod")));
#endif
    EXPECT_EQ(r.ui.with_prefix("log:Start coding for files : ").size(), 1u);
    EXPECT_EQ(r.ui.count("log:Files will be stored in :"), 1);
    EXPECT_EQ(r.ui.count("log:" + r.dir.file("out")), 1);
}

// One file into one destination: the names it goes by are told before the
// engine gets it, and what it coded decodes back.
TEST(OneFileRun, AFileComesBackThroughCodeAndDecode) {
    Rig r;
    write_file(r.dir.file("a.txt"), "contents");
    std::vector<std::string> told;
    const auto begins = [&told](const std::string& from, const std::string& to) { told = {from, to}; };
    const std::string coded = output_beside(Operation::Code, r.dir.file("a.txt"));
    EXPECT_EQ(run_one_file(r.engine, Operation::Code, r.dir.file("a.txt"), coded, "pw", begins).kind, Outcome::Done);
    EXPECT_EQ(told, (std::vector<std::string>{r.dir.file("a.txt"), r.dir.file("a_txt.cod")}));
    EXPECT_EQ(run_one_file(r.engine, Operation::Decode, coded, r.dir.file("b.txt"), "pw", begins).kind, Outcome::Done);
    EXPECT_EQ(read_file(r.dir.file("b.txt")), "contents");
}
