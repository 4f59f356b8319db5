// SPDX-License-Identifier: GPL-3.0-or-later
// The keys of a small file, made ahead on the side thread.
#include "engine/codec_parts.h"

#include "io/work_pool.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <utility>

namespace tarnvold {
namespace {

// to[i] ^= from[i] for i in [0, count), eight bytes at a time.
void xor_bytes(std::uint8_t* to, const std::uint8_t* from, std::size_t count) {
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t a, b;
        std::memcpy(&a, to + i, 8);
        std::memcpy(&b, from + i, 8);
        a ^= b;
        std::memcpy(to + i, &a, 8);
    }
    for (; i < count; ++i) to[i] ^= from[i];
}

}  // namespace

struct Codec::Keys::Job : SideTask::Task {
    Job(std::int32_t s, const PasswordStream& p, std::size_t n, std::shared_ptr<std::uint8_t[]> k)
        : seed(s), password_stream(p), count(n), keys(std::move(k)) {}
    void run() noexcept override {
        std::memset(keys.get(), 0, count);
        level1_xor_with(seed, 1, password_stream.at(0), keys.get(), count);
    }
    std::int32_t seed;
    PasswordStream password_stream;
    std::size_t count;
    std::shared_ptr<std::uint8_t[]> keys;
};

Codec::Keys::Keys(std::int32_t seed, std::string_view password, std::size_t count,
                  std::shared_ptr<std::uint8_t[]>& buffer)
    : seed_(seed), password_stream_(password), count_(count) {
    if (count_ < WorkPool::kWorthHandingOver || key_backend() != KeyBackend::Fast) return;
    side_ = WorkPool::shared().side();
    if (side_ == nullptr) return;
    // The buffer of a task left to end unobserved is still that task's.
    if (!buffer || buffer.use_count() > 1)
        buffer.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(kSmallFile)]);
    if (!buffer) return;
    job_ = std::make_shared<Job>(seed_, password_stream_, count_, buffer);
    if (!side_->try_start(job_)) side_ = nullptr;
}

Codec::Keys::~Keys() {
    if (side_ != nullptr) side_->collect(std::chrono::nanoseconds(0));
}

void Codec::Keys::use_seed(std::int32_t seed) {
    if (seed == seed_) return;
    seed_ = seed;
    if (side_ != nullptr) side_->collect(std::chrono::nanoseconds(0));
    side_ = nullptr;
}

void Codec::Keys::apply(std::uint8_t* bytes) {
    // Making the keys takes under a nanosecond a byte once begun: the
    // side thread is given a little more than that to end.  Longer
    // means it lost its core meanwhile, and this thread goes on alone.
    const auto patience = std::chrono::microseconds(4) + std::chrono::nanoseconds(2 * count_);
    if (side_ != nullptr && side_->collect(patience)) {
        side_ = nullptr;
        xor_bytes(bytes, job_->keys.get(), count_);
        return;
    }
    side_ = nullptr;
    level1_xor_with(seed_, 1, password_stream_.at(0), bytes, count_);
}

void Codec::begin_keys(std::int32_t seed, std::string_view password, std::size_t count) {
    keys_.reset();
    keys_ = std::make_unique<Keys>(seed, password, count, key_bytes_);
}

void Codec::drop_keys() { keys_.reset(); }

// Both passes over bytes held in memory: both key streams in one go, then
// each stage advanced as the passes would have advanced it.  The steps are
// those of a file of `size` bytes.
void Codec::in_memory(std::uint8_t* bytes, std::size_t count, std::int64_t size, CodecProgress& progress) {
    keys_->apply(bytes);
    Pass pass1{Stage::FirstPass, step_for(size), 0, {}};
    Pass pass2{Stage::SecondPass, step_for(size), 0, {}};
    advance(pass1, static_cast<std::int64_t>(count), progress);
    advance(pass2, static_cast<std::int64_t>(count), progress);
}

}  // namespace tarnvold
