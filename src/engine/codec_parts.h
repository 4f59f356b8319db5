// SPDX-License-Identifier: GPL-3.0-or-later
// What the codec's own files share: the passes over a payload with their
// key streams, and the keys made ahead on the side thread.  Not for the
// other modules.
#pragma once

#include "engine/codec.h"
#include "engine/keystream.h"

#include "io/side_task.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace tarnvold {

// Both key streams in one pass over bytes whose first one is at payload
// position before + 1 (the password stream's position `before`), adding up
// the bytes given or left on the way.
std::function<std::uint64_t(std::uint8_t*, std::size_t, std::int64_t, KeyedSum)> both_keys(
    std::int32_t seed, const PasswordStream& password_stream);
// The position key stream alone, for bytes whose first one is at payload
// position before + 1.
std::function<void(std::uint8_t*, std::size_t, std::int64_t)> position_keys(std::int32_t seed);
// The password stream alone, for bytes whose first one is at payload
// position before + 1.
std::function<void(std::uint8_t*, std::size_t, std::int64_t)> password_keys(const PasswordStream& password_stream);

// One pass over the payload: the key stream it applies, its stage and its
// counter, which runs on across blocks.
struct Codec::Pass {
    Stage stage;
    std::int64_t step;
    std::int64_t counter = 0;
    // Applies the pass's key stream to `count` bytes whose first byte is at
    // payload position counter + 1.
    std::function<void(std::uint8_t*, std::size_t, std::int64_t)> apply;
};

// Both key streams of a payload held in memory, from its first byte.  On a
// machine with more than one core they are made on the pool's side thread
// into a buffer of their own, beginning as soon as the seed and the length
// are known, while this thread reads and opens files; apply() then only
// combines them with the bytes.  Otherwise, and whenever the side thread
// does not get to them in time, apply() makes them in place.
class Codec::Keys {
public:
    Keys(std::int32_t seed, std::string_view password, std::size_t count, std::shared_ptr<std::uint8_t[]>& buffer);
    ~Keys();
    Keys(const Keys&) = delete;
    Keys& operator=(const Keys&) = delete;

    bool made_for(std::int32_t seed, std::size_t count) const { return seed == seed_ && count == count_; }

    std::size_t count() const { return count_; }

    // The seed turned out to be another one: the keys are made again.
    void use_seed(std::int32_t seed);

    void apply(std::uint8_t* bytes);

private:
    struct Job;

    std::int32_t seed_;
    PasswordStream password_stream_;
    std::size_t count_;
    SideTask* side_ = nullptr;
    std::shared_ptr<Job> job_;
};

}  // namespace tarnvold
