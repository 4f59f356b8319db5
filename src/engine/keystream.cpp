#include "keystream.h"

#include <atomic>
#include <cstring>

namespace tarnvold {

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

PasswordStream::PasswordStream(std::string_view password) {
    // Walk the index exactly as the format defines it until it comes back to
    // 1; what it visits is one period of the stream.
    const std::size_t length = password.size();
    unsigned j = 1;
    unsigned count = 0;
    do {
        pattern_[count++] =
            (j == 0 || j > length) ? 0 : static_cast<std::uint8_t>(password[j - 1]);
        // The comparison sees the index before it wraps to 8 bits: a
        // password of up to 255 bytes simply repeats, a longer one lets the
        // index run through 0 (which gives the key byte 0).
        const unsigned unwrapped = j + 1;
        j = unwrapped > length ? 1u : (unwrapped & 0xFFu);
    } while (j != 1 && count < 256);
    period_ = count;
}

std::uint8_t PasswordStream::next() {
    const std::uint8_t k = pattern_[phase_];
    if (++phase_ == period_) phase_ = 0;
    return k;
}

void PasswordStream::xor_into(std::uint8_t* buf, std::size_t count) {
    if (count < 1024) {
        std::size_t i = 0;
        // Finish the current period, then run whole periods from the start.
        while (i < count && phase_ != 0) buf[i++] ^= next();
        const unsigned p = period_;
        while (count - i >= p) {
            for (unsigned k = 0; k < p; ++k) buf[i + k] ^= pattern_[k];
            i += p;
        }
        while (i < count) buf[i++] ^= next();
        return;
    }
    // Long runs: lay the stream out from the current phase over 4 KiB (plus
    // one period of slack) and combine eight bytes at a time.
    constexpr std::size_t kRun = 4096;
    alignas(8) std::uint8_t laid[kRun + 256];
    for (std::size_t j = 0, k = phase_; j < kRun + period_; ++j) {
        laid[j] = pattern_[k];
        if (++k == period_) k = 0;
    }
    std::size_t offset = 0;  // into `laid`, always below one period
    std::size_t done = 0;
    while (done < count) {
        const std::size_t len = count - done < kRun ? count - done : kRun;
        std::uint8_t* out = buf + done;
        const std::uint8_t* key = laid + offset;
        std::size_t k = 0;
        for (; k + 8 <= len; k += 8) {
            std::uint64_t a, b;
            std::memcpy(&a, out + k, 8);
            std::memcpy(&b, key + k, 8);
            a ^= b;
            std::memcpy(out + k, &a, 8);
        }
        for (; k < len; ++k) out[k] ^= key[k];
        offset = (offset + len) % period_;
        done += len;
    }
    phase_ = static_cast<unsigned>((phase_ + count % period_) % period_);
}

}  // namespace tarnvold
