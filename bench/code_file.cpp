// SPDX-License-Identifier: GPL-3.0-or-later
// Codes one file with the engine, as the programs do, and tells how long it
// took: for comparing builds and systems where Google Benchmark is not at
// hand (the Windows builds, under wine or not).
//
//   code_file [--x87] SOURCE DESTINATION [PASSWORD]
//
// --x87 computes the position key stream with the processor's sine
// instruction instead of the fast kernels.  An existing destination is
// replaced.
#include "engine/engine.h"
#include "engine/keystream.h"
#include "engine/keystream_fast.h"
#include "io/file_io.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

using namespace tarnvold;

namespace {

// Answers yes, shows nothing.
class QuietUi : public UserInterface {
public:
    std::string message(int) override { return {}; }
    void log_write(std::string_view) override {}
    void log_write(std::int64_t) override {}
    void log_write_line() override {}
    bool ask_yes_no(std::string_view) override { return true; }
    void notice(std::string_view text) override { std::fprintf(stderr, "%.*s\n", int(text.size()), text.data()); }
    void bar_setup(ProgressBarId, std::int64_t, std::int64_t, std::int64_t) override {}
    void bar_set_position(ProgressBarId, std::int64_t) override {}
    void bar_step(ProgressBarId) override {}
    void label_set_caption(LabelId, std::string_view) override {}
    void label_set_visible(LabelId, bool) override {}
    void process_events() override {}
};

const char* kernel_name(FastKernel k) {
    switch (k) {
    case FastKernel::Avx512: return "AVX-512";
    case FastKernel::Avx2: return "AVX2";
    case FastKernel::Portable: break;
    }
    return "portable";
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--x87") == 0) {
        if (!x87_available()) {
            std::fprintf(stderr, "this build has no x87 key stream\n");
            return 2;
        }
        set_key_backend(KeyBackend::X87);
        first = 2;
    }
    if (argc - first < 2 || argc - first > 3) {
        std::fprintf(stderr, "usage: code_file [--x87] SOURCE DESTINATION [PASSWORD]\n");
        return 2;
    }
    const std::string password = argc - first == 3 ? argv[first + 2] : "benchmark";
    QuietUi ui;
    Engine engine(ui);
    try {
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome = engine.codefile(argv[first], argv[first + 1], password);
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (outcome != Outcome::Done) {
            std::fprintf(stderr, "not coded\n");
            return 1;
        }
        const double mib = static_cast<double>(inspect_source(argv[first]).size) / (1 << 20);
        std::printf("%.1f MiB in %.3f s: %.0f MiB/s (%s)\n", mib, secs, mib / secs,
                    key_backend() == KeyBackend::X87 ? "x87" : kernel_name(fast_kernel()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
