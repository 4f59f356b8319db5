// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/keystream.h"

#include "engine/checksum.h"
#include "engine/keystream_fast.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace tarnvold {

// A linear congruential step modulo 2^32: multiplier 134775813 and
// increment 1 meet the conditions for the full period, so the state runs
// through all 2^32 values before it repeats.  The seed is the state scaled
// to 0..323240098 by the high half of their product, which uses the state's
// good high bits rather than its weak low ones.  The constants are not ours
// to tune: a run's seeds, and with them its coded files byte for byte, must
// stay the ones this program has always made (the test vectors hold them).
std::int32_t SeedGenerator::next_seed() {
    seed_state_ = seed_state_ * 134775813u + 1u;
    const std::uint64_t product = static_cast<std::uint64_t>(seed_state_) * 323240099u;
    return static_cast<std::int32_t>(product >> 32);
}

namespace {
std::atomic<KeyBackend> g_backend{KeyBackend::Fast};
}

void set_key_backend(KeyBackend backend) {
    if (backend == KeyBackend::X87 && !x87_available()) backend = KeyBackend::Fast;
    g_backend.store(backend, std::memory_order_relaxed);
}

KeyBackend key_backend() { return g_backend.load(std::memory_order_relaxed); }

std::uint8_t level1_key(std::int32_t x) {
    if (key_backend() == KeyBackend::X87) return level1_key_x87(x);
    return level1_key_fast(x);
}

void level1_xor(std::int32_t seed, std::int32_t n_first, std::uint8_t* buf, std::size_t count) {
    if (key_backend() == KeyBackend::X87)
        level1_xor_x87(seed, n_first, buf, count);
    else
        level1_xor_fast(seed, n_first, buf, count);
}

void level1_xor_with(std::int32_t seed, std::int32_t n_first, RepeatingKey other, std::uint8_t* buf,
                     std::size_t count) {
    if (key_backend() == KeyBackend::X87) {
        level1_xor_x87(seed, n_first, buf, count);
        xor_repeating(other, buf, count);
    } else {
        level1_xor_fast_with(fast_kernel(), seed, n_first, buf, count, other);
    }
}

std::uint64_t level1_xor_with_sum(std::int32_t seed, std::int32_t n_first, RepeatingKey other, std::uint8_t* buf,
                                  std::size_t count, KeyedSum summed) {
    if (key_backend() != KeyBackend::X87)
        return level1_xor_fast_with_sum(fast_kernel(), seed, n_first, buf, count, other, summed);
    const std::uint64_t given = summed == KeyedSum::Given ? checksum(buf, count) : 0;
    level1_xor_with(seed, n_first, other, buf, count);
    return summed == KeyedSum::Left ? checksum(buf, count) : given;
}

PasswordStream::PasswordStream(std::string_view password) {
    const std::size_t length = password.size();
    if (length >= 1 && length <= 254) {
        // The index runs 1..length and back to 1: the password is the period.
        period_ = static_cast<unsigned>(length);
        std::memcpy(laid_, password.data(), length);
    } else {
        walk_index(password);
    }
    // Repeat the period, in copies that double in length.
    for (std::size_t have = period_; have < kRepeatingKeySize; have *= 2)
        std::memcpy(laid_ + have, laid_, std::min(have, kRepeatingKeySize - have));
}

void PasswordStream::walk_index(std::string_view password) {
    // Walk the index exactly as the format defines it until it comes back to
    // 1; what it visits is one period of the stream.
    const std::size_t length = password.size();
    unsigned j = 1;
    unsigned count = 0;
    do {
        laid_[count++] = (j == 0 || j > length) ? 0 : static_cast<std::uint8_t>(password[j - 1]);
        // The index is 8 bits wide and wraps before it is compared: a
        // password of up to 254 bytes simply repeats; from 255 bytes on the
        // index steps from 255 to 0, which is not beyond the length, so the
        // key byte 0 comes between p255 and p1.
        j = (j + 1) & 0xFFu;
        if (j > length) j = 1;
    } while (j != 1 && count < 256);
    period_ = count;
}

std::uint8_t PasswordStream::next() {
    const std::uint8_t k = laid_[phase_];
    if (++phase_ == period_) phase_ = 0;
    return k;
}

void xor_repeating(RepeatingKey& key, std::uint8_t* buf, std::size_t count) {
    // 64 bytes at a time from the laid-out stream, eight bytes per
    // operation; the phase moves on by 64 mod period each time.
    using Lane = std::uint64_t;
    constexpr std::size_t kChunk = 64;
    static_assert(256 + kChunk <= kRepeatingKeySize);
    const unsigned step = kChunk % key.period;
    std::size_t i = 0;
    for (; i + kChunk <= count; i += kChunk) {
        Lane data[kChunk / sizeof(Lane)], more[kChunk / sizeof(Lane)];
        std::memcpy(data, buf + i, kChunk);
        std::memcpy(more, key.bytes + key.phase, kChunk);
        for (std::size_t k = 0; k < kChunk / sizeof(Lane); ++k) data[k] ^= more[k];
        std::memcpy(buf + i, data, kChunk);
        key.phase += step;
        if (key.phase >= key.period) key.phase -= key.period;
    }
    for (; i < count; ++i) {
        buf[i] ^= key.bytes[key.phase];
        if (++key.phase == key.period) key.phase = 0;
    }
}

std::uint64_t xor_repeating_sum(RepeatingKey key, const std::uint8_t* buf, std::size_t count) {
    // Through a small copy that stays in the first-level cache, summed by
    // the checksum's own vector code.
    std::uint8_t copy[4096];
    std::uint64_t sum = 0;
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(sizeof copy, count - done);
        std::memcpy(copy, buf + done, n);
        xor_repeating(key, copy, n);
        sum += checksum(copy, n);
        done += n;
    }
    return sum;
}

void PasswordStream::xor_into(std::uint8_t* buf, std::size_t count) {
    RepeatingKey key = at(phase_);
    xor_repeating(key, buf, count);
    phase_ = key.phase;
}

}  // namespace tarnvold
