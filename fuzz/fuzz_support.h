// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the fuzz targets: a scratch folder for the files a target
// writes, small file helpers, and a quiet UserInterface that answers its
// questions from a list of bits and remembers what it was told.
#pragma once

#include "config/international.h"
#include "engine/user_interface.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace tarnvold::fuzz {

// Stops the run with a message: libFuzzer records the input as a crash.
[[noreturn]] inline void fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "fuzz property violated: %s %s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(cond, ...)                                                  \
    do {                                                                       \
        if (!(cond)) ::tarnvold::fuzz::fail(#cond __VA_OPT__(, ) __VA_ARGS__); \
    } while (0)

// One folder per process, made on first use and removed when the process
// ends normally.  Memory-backed /dev/shm is preferred: targets write files
// on every run.
class ScratchDir {
public:
    static ScratchDir& get() {
        static ScratchDir dir;
        return dir;
    }
    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

    // Empties the folder but keeps it.
    void clear() const {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(path_, ec))
            std::filesystem::remove_all(entry.path(), ec);
    }
    // The names in the folder (not recursive), sorted.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(path_, ec))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

private:
    ScratchDir() {
        std::string base;
        if (const char* t = std::getenv("TMPDIR"); t != nullptr && *t != '\0')
            base = t;
        else if (::access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        else
            base = "/tmp";
        std::string templ = base + "/tarnvold-fuzz-XXXXXX";
        if (::mkdtemp(templ.data()) == nullptr) fail("cannot make a scratch folder in", base);
        path_ = templ;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }

    std::string path_;
};

inline void write_file(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) fail("cannot write", path);
}

inline std::vector<std::uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) fail("cannot read", path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// Answers question k (0, 1, ...) with bit k of `answers`: 1 is Yes.
class QuietUi : public UserInterface {
public:
    explicit QuietUi(unsigned answers = ~0u) : answers_(answers) {}

    int questions = 0;
    int notices = 0;
    std::vector<std::string> lines;

    std::string message(int n) override { return builtin_english().at(static_cast<std::size_t>(n - 1)); }
    void log_write(std::string_view text) override { pending_ += text; }
    void log_write(std::int64_t value) override { pending_ += std::to_string(value); }
    void log_write_line() override {
        lines.push_back(std::move(pending_));
        pending_.clear();
    }
    bool ask_yes_no(std::string_view) override {
        const bool yes = questions < 32 && ((answers_ >> questions) & 1u) != 0;
        ++questions;
        return yes;
    }
    void notice(std::string_view) override { ++notices; }
    void bar_setup(ProgressBarId, std::int64_t min, std::int64_t max, std::int64_t step) override {
        // A bar must never get a step that cannot advance or a range
        // running backwards.
        if (step < 1 || max < min) fail("bad bar setup");
    }
    void bar_set_position(ProgressBarId, std::int64_t) override {}
    void bar_step(ProgressBarId) override {}
    void label_set_caption(LabelId, std::string_view) override {}
    void label_set_visible(LabelId, bool) override {}
    void process_events() override {}

private:
    unsigned answers_;
    std::string pending_;
};

// Sum of the byte values, as the coded-file checksum defines it.
inline std::int64_t byte_sum_of(const std::uint8_t* data, std::size_t size) {
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += data[i];
    return sum;
}

}  // namespace tarnvold::fuzz
