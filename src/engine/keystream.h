// SPDX-License-Identifier: GPL-3.0-or-later
// The two key streams of the coded-file format and the per-file seed.
//
// Every payload byte at position n (1 for the first byte) is combined by XOR
// with a position key byte, which depends only on the file's seed and n, and
// with a password key byte, which is the password's bytes repeated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnvold {

// The generator behind the per-file seeds.  It starts at 0 with every run of
// the program and is never reseeded, so the first file coded in a run gets
// seed 0, the second 10143254, the third 278325391, and so on.
class SeedGenerator {
public:
    std::int32_t next_seed();
    std::uint32_t state() const { return seed_state_; }
    void set_state(std::uint32_t state) { seed_state_ = state; }

private:
    std::uint32_t seed_state_ = 0;
};

// Reverses the byte order of a 32-bit value (the seed is stored big-endian).
constexpr std::uint32_t swap32(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}

// How the position key stream is computed.  Both give the same bytes; the x87
// path runs the processor's own sine instruction and is the reference.
enum class KeyBackend { Fast, X87 };

bool x87_available();
void set_key_backend(KeyBackend backend);  // X87 falls back to Fast when unavailable
KeyBackend key_backend();

// The position key byte for x = seed + n (32-bit wrap-around, signed).
// level1_key is the name the format's description gives it; the level1_
// functions below all work with the position key stream.
std::uint8_t level1_key(std::int32_t x);
std::uint8_t level1_key_x87(std::int32_t x);  // only when x87_available()
std::uint8_t level1_key_fast(std::int32_t x);

// buf[i] ^= level1_key(seed + n_first + i) for i in [0, count), all sums in
// 32-bit wrap-around arithmetic.
void level1_xor(std::int32_t seed, std::int32_t n_first, std::uint8_t* buf, std::size_t count);
void level1_xor_x87(std::int32_t seed, std::int32_t n_first, std::uint8_t* buf, std::size_t count);
void level1_xor_fast(std::int32_t seed, std::int32_t n_first, std::uint8_t* buf, std::size_t count);

// A key stream that repeats with a period of 1 to 256 bytes, laid out so that
// any 32 consecutive bytes of it can be read in one go: bytes[k] is its byte
// number k mod period, for k < period + 64.  `phase` is the stream's position
// at the first byte it is applied to (below period).
struct RepeatingKey {
    const std::uint8_t* bytes;
    unsigned period;
    unsigned phase;
};
inline constexpr std::size_t kRepeatingKeySize = 256 + 64;

// buf[i] ^= key's byte at i for i in [0, count); key.phase moves on.
void xor_repeating(RepeatingKey& key, std::uint8_t* buf, std::size_t count);

// The sum of buf[i] ^ key's byte at i for i in [0, count), the bytes left
// as they are.
std::uint64_t xor_repeating_sum(RepeatingKey key, const std::uint8_t* buf, std::size_t count);

// level1_xor combined with a repeating key stream in the same pass:
// buf[i] ^= level1_key(seed + n_first + i) ^ other's byte at i.
void level1_xor_with(std::int32_t seed, std::int32_t n_first, RepeatingKey other, std::uint8_t* buf, std::size_t count);

// Which bytes a pass that applies the keys adds up on the way: none, the
// ones it is given, or the ones it leaves.
enum class KeyedSum { None, Given, Left };

// level1_xor_with that also returns the sum of the byte values given or left
// (0 for KeyedSum::None), read while the bytes pass anyway.
std::uint64_t level1_xor_with_sum(std::int32_t seed, std::int32_t n_first, RepeatingKey other, std::uint8_t* buf,
                                  std::size_t count, KeyedSum summed);

// The password key stream.  The 8-bit index j starts at 1 and runs on across
// blocks; it wraps from 255 to 0, so a password of 255 bytes or more yields
// p1..p255, one 0, p1..p255, ...
class PasswordStream {
public:
    explicit PasswordStream(std::string_view password);
    void xor_into(std::uint8_t* buf, std::size_t count);
    std::uint8_t next();  // one key byte, for tests and small runs
    // Moves on by `count` key bytes without using them.
    void skip(std::uint64_t count) { phase_ = static_cast<unsigned>((phase_ + count % period_) % period_); }
    // The stream from `position` bytes after its start (whatever this
    // object's own position), to be combined with the position key stream.
    RepeatingKey at(std::uint64_t position) const {
        return RepeatingKey{laid_, period_, static_cast<unsigned>(position % period_)};
    }

private:
    void walk_index(std::string_view password);

    std::uint8_t laid_[kRepeatingKeySize] = {};  // one period, repeated
    unsigned period_ = 1;
    unsigned phase_ = 0;
};

}  // namespace tarnvold
