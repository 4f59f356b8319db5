// SPDX-License-Identifier: GPL-3.0-or-later
// Every test runs in a fresh temporary folder that is its current directory,
// with a Language whose notices are recorded.
#pragma once

#include "config/international.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace tarnvold::testing {

struct RecordingTarget : CaptionTarget {
    std::vector<LangTable> seen;
    void apply_captions(const LangTable& table) override { seen.push_back(table); }
};

class ConfigTest : public ::testing::Test {
protected:
    ConfigTest() : cwd_(dir.path()) {
        language.start_dir = dir.path().string();
        language.notice = [this](std::string_view text) { notices.emplace_back(text); };
    }
    void make_lang_folder() { std::filesystem::create_directory(dir.path() / "lang"); }

    // A language file whose lines are prefix1 .. prefixN, each ended by `eol`.
    static std::string numbered_lines(int n, const std::string& prefix, const std::string& eol) {
        std::string text;
        for (int i = 1; i <= n; ++i) text += prefix + std::to_string(i) + eol;
        return text;
    }

    TempDir dir;
    Language language;
    std::vector<std::string> notices;

private:
    ScopedCwd cwd_;
};

}  // namespace tarnvold::testing
