// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the coding engine's parts and of whole files.
//
//   bench_engine [--benchmark_filter=...]
//
// Key stream: MB/s of position key bytes, fast (each kernel) and x87.
// Checksum and password stream: MB/s over a 10 MiB block.
// Whole file: codefile and decodefile of a 256 MiB file in a temporary
// folder (TMPDIR), into a fresh destination each time.
#include "engine/checksum.h"
#include "engine/engine.h"
#include "engine/keystream.h"
#include "engine/keystream_fast.h"
#include "engine/user_interface.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tarnvold;

namespace {

class QuietUi : public UserInterface {
public:
    std::string message(int) override { return {}; }
    void log_write(std::string_view) override {}
    void log_write(std::int64_t) override {}
    void log_write_line() override {}
    bool ask_yes_no(std::string_view) override { return true; }
    void notice(std::string_view) override {}
    void bar_setup(ProgressBarId, std::int64_t, std::int64_t, std::int64_t) override {}
    void bar_set_position(ProgressBarId, std::int64_t) override {}
    void bar_step(ProgressBarId) override {}
    void label_set_caption(LabelId, std::string_view) override {}
    void label_set_visible(LabelId, bool) override {}
    void process_events() override {}
};

void BM_KeyStreamFast(benchmark::State& state) {
    const auto kernel = static_cast<FastKernel>(state.range(0));
    if (!fast_kernel_available(kernel)) {
        state.SkipWithError("kernel not available on this processor");
        return;
    }
    std::vector<std::uint8_t> buf(1 << 20);
    std::int32_t n = 1;
    for (auto _ : state) {
        level1_xor_fast_with(kernel, 10143254, n, buf.data(), buf.size());
        n += static_cast<std::int32_t>(buf.size());
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
    state.SetLabel(kernel == FastKernel::Avx512 ? "avx512" : kernel == FastKernel::Avx2 ? "avx2" : "portable");
}
BENCHMARK(BM_KeyStreamFast)
    ->Arg(static_cast<int>(FastKernel::Avx512))
    ->Arg(static_cast<int>(FastKernel::Avx2))
    ->Arg(static_cast<int>(FastKernel::Portable));

void BM_KeyStreamX87(benchmark::State& state) {
    if (!x87_available()) {
        state.SkipWithError("built without the x87 reference");
        return;
    }
    std::vector<std::uint8_t> buf(64 << 10);
    std::int32_t n = 1;
    for (auto _ : state) {
        level1_xor_x87(10143254, n, buf.data(), buf.size());
        n += static_cast<std::int32_t>(buf.size());
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
}
BENCHMARK(BM_KeyStreamX87);

void BM_ByteSum(benchmark::State& state) {
    std::vector<std::uint8_t> buf(10 << 20, 0xA5);
    const bool portable = state.range(0) != 0;
    for (auto _ : state) {
        const auto s = portable ? checksum_portable(buf.data(), buf.size()) : checksum(buf.data(), buf.size());
        benchmark::DoNotOptimize(s);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
    state.SetLabel(portable ? "portable" : "dispatched");
}
BENCHMARK(BM_ByteSum)->Arg(0)->Arg(1);

void BM_PasswordStream(benchmark::State& state) {
    std::vector<std::uint8_t> buf(10 << 20, 0);
    PasswordStream ps(std::string(static_cast<std::size_t>(state.range(0)), 'k'));
    for (auto _ : state) {
        ps.xor_into(buf.data(), buf.size());
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
}
BENCHMARK(BM_PasswordStream)->Arg(2)->Arg(13)->Arg(300);

// A 256 MiB file of pseudo-random bytes, made once per run.
class BigFile {
public:
    BigFile() {
        const char* tmp = std::getenv("TMPDIR");
        dir_ = std::string(tmp != nullptr ? tmp : "/tmp") + "/tarnvold-bench-XXXXXX";
        if (::mkdtemp(dir_.data()) == nullptr) std::abort();
        source = dir_ + "/source.bin";
        coded = dir_ + "/coded.cod";
        restored = dir_ + "/restored.bin";
        std::vector<std::uint8_t> block(1 << 20);
        std::uint64_t s = 88172645463325252ull;
        std::FILE* f = std::fopen(source.c_str(), "wb");
        for (int i = 0; i < 256; ++i) {
            for (auto& b : block) {
                s ^= s << 13;
                s ^= s >> 7;
                s ^= s << 17;
                b = static_cast<std::uint8_t>(s);
            }
            std::fwrite(block.data(), 1, block.size(), f);
        }
        std::fclose(f);
    }
    ~BigFile() {
        std::remove(source.c_str());
        std::remove(coded.c_str());
        std::remove(restored.c_str());
        ::rmdir(dir_.c_str());
    }
    static BigFile& get() {
        static BigFile f;
        return f;
    }
    static constexpr std::int64_t kSize = 256ll << 20;
    std::string source, coded, restored;

private:
    std::string dir_;
};

void BM_CodeFile(benchmark::State& state) {
    auto& f = BigFile::get();
    set_key_backend(KeyBackend::Fast);
    QuietUi ui;
    Engine engine(ui);
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(f.coded.c_str());  // a fresh destination: no sync on replace
        state.ResumeTiming();
        engine.codefile(f.source, f.coded, "benchmark password");
    }
    state.SetBytesProcessed(state.iterations() * BigFile::kSize);
}
BENCHMARK(BM_CodeFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_DecodeFile(benchmark::State& state) {
    auto& f = BigFile::get();
    set_key_backend(KeyBackend::Fast);
    QuietUi ui;
    Engine engine(ui);
    std::remove(f.coded.c_str());
    engine.codefile(f.source, f.coded, "benchmark password");
    for (auto _ : state) {
        state.PauseTiming();
        std::remove(f.restored.c_str());
        state.ResumeTiming();
        engine.decodefile(f.coded, f.restored, "benchmark password");
    }
    state.SetBytesProcessed(state.iterations() * BigFile::kSize);
}
BENCHMARK(BM_DecodeFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
