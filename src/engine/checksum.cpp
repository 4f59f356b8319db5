// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/checksum.h"

#include "engine/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tarnvold {
namespace {

std::uint64_t checksum_plain(const std::uint8_t* data, std::size_t count) {
    // 32-bit partial sums over runs short enough not to overflow (2^24 bytes
    // of 255 stay below 2^32), which the compiler can vectorise.
    std::uint64_t sum = 0;
    while (count > 0) {
        const std::size_t run = count < (1u << 24) ? count : (1u << 24);
        std::uint32_t part = 0;
        for (std::size_t i = 0; i < run; ++i) part += data[i];
        sum += part;
        data += run;
        count -= run;
    }
    return sum;
}

#if defined(__x86_64__) || defined(__i386__)

// PSADBW against zero adds eight bytes into one 64-bit lane at a time.
__attribute__((target("avx2"))) std::uint64_t checksum_avx2(const std::uint8_t* data, std::size_t count) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i acc0 = zero, acc1 = zero;
    std::size_t i = 0;
    for (; i + 64 <= count; i += 64) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + 32));
        acc0 = _mm256_add_epi64(acc0, _mm256_sad_epu8(a, zero));
        acc1 = _mm256_add_epi64(acc1, _mm256_sad_epu8(b, zero));
    }
    const __m256i acc = _mm256_add_epi64(acc0, acc1);
    alignas(32) std::uint64_t lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), acc);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3] + checksum_plain(data + i, count - i);
}

#endif

using SumFn = std::uint64_t (*)(const std::uint8_t*, std::size_t);

SumFn pick() {
#if defined(__x86_64__) || defined(__i386__)
    if (cpu_has(CpuFeature::Avx2)) return checksum_avx2;
#endif
    return checksum_plain;
}

}  // namespace

std::uint64_t checksum(const std::uint8_t* data, std::size_t count) {
    static const SumFn sum = pick();
    return sum(data, count);
}

std::uint64_t checksum_portable(const std::uint8_t* data, std::size_t count) { return checksum_plain(data, count); }

}  // namespace tarnvold
