// SPDX-License-Identifier: GPL-3.0-or-later
// The position key stream, 32 bytes per step with AVX-512F: the AVX2
// kernel's computation (keystream_avx2.cpp) on eight lanes per register, with
// registers enough to keep the whole state of a step in them.  Only called
// after the processor has been asked whether it has the instructions.
#include "engine/keystream_fast.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

namespace tarnvold::detail {

namespace {

// The values of bytes v, v + 4, v + 8, ..., v + 28 of a group.
__attribute__((target("avx512f"))) __m512d every_fourth(const double* values, std::size_t v) {
    return _mm512_mask_i64gather_pd(_mm512_setzero_pd(), 0xFF, _mm512_set_epi64(28, 24, 20, 16, 12, 8, 4, 0),
                                    values + v, 8);
}

// The kernel, adding the bytes `summed` names to lanes.sum on the way.
template <KeyedSum summed>
__attribute__((target("avx512f,avx2,fma"))) void key_run(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups) {
    // Vector v (0..3) lane l (0..7) handles byte 4 l + v of each group: the
    // four key bytes of lane l then make up bytes 4 l .. 4 l + 3 of the
    // group's keys, which a few shifts and one permute put together.
    __m512d u_hi[4], u_lo[4], d_hi[4], d_lo[4];
    for (std::size_t v = 0; v < 4; ++v) {
        u_hi[v] = every_fourth(lanes.u_hi, v);
        u_lo[v] = every_fourth(lanes.u_lo, v);
        d_hi[v] = every_fourth(lanes.d_hi, v);
        d_lo[v] = every_fourth(lanes.d_lo, v);
    }
    const __m512d e_hi = _mm512_set1_pd(lanes.e_hi);
    const __m512d e_lo = _mm512_set1_pd(lanes.e_lo);
    const __m512d magic = _mm512_set1_pd(kRoundMagic);
    const __m512d half = _mm512_set1_pd(0.5);
    const __m512d two = _mm512_set1_pd(2.0);
    const __m512d k125_magic = _mm512_set1_pd(125.0 + kRoundMagic);
    const __m512d inv_grid = _mm512_set1_pd(kInvGrid);
    const __m512d grid = _mm512_set1_pd(kGrid);
    __m512d c[7];
    for (int i = 0; i < 7; ++i) c[i] = _mm512_set1_pd(kKeyCoeff[i]);
    const __m512i low_halves = _mm512_set_epi32(15, 13, 11, 9, 7, 5, 3, 1, 14, 12, 10, 8, 6, 4, 2, 0);

    const std::uint8_t* const other = lanes.other.bytes;
    const unsigned period = lanes.other.period;
    const unsigned step = kGroup % period;
    unsigned phase = lanes.other.phase;
    __m256i sums = _mm256_setzero_si256();
    std::size_t done = 0;
    while (done < groups) {
        const std::size_t run = groups - done < 32 ? groups - done : 32;
        for (std::size_t g = 0; g < run; ++g) {
            __m512i w[4];
#pragma GCC unroll 4
            for (std::size_t v = 0; v < 4; ++v) {
                // t holds j = round(hi) in its low bits; its lowest bit is
                // j's parity.
                const __m512d t = _mm512_add_pd(u_hi[v], magic);
                const __m512d j = _mm512_sub_pd(t, magic);
                const __m512d f = _mm512_add_pd(_mm512_sub_pd(u_hi[v], j), u_lo[v]);
                const __m512d f2 = _mm512_mul_pd(f, f);
                __m512d q = _mm512_fmadd_pd(c[6], f2, c[5]);
                q = _mm512_fmadd_pd(q, f2, c[4]);
                q = _mm512_fmadd_pd(q, f2, c[3]);
                q = _mm512_fmadd_pd(q, f2, c[2]);
                q = _mm512_fmadd_pd(q, f2, c[1]);
                q = _mm512_fmadd_pd(q, f2, c[0]);
                // g = (-1)^j f
                const __m512i sign = _mm512_maskz_slli_epi64(0xFF, _mm512_castpd_si512(t), 63);
                const __m512d gs = _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(f), sign));
                // 125 + 125 sin(pi g) + magic, rounded once, half to even:
                // the key byte is the low byte of each lane, and the next
                // 43 bits above it are zero (magic is 1.5 * 2^52).
                w[v] = _mm512_castpd_si512(_mm512_fmadd_pd(gs, q, k125_magic));
                u_hi[v] = _mm512_add_pd(u_hi[v], d_hi[v]);
                u_lo[v] = _mm512_add_pd(u_lo[v], d_lo[v]);
                d_hi[v] = _mm512_add_pd(d_hi[v], e_hi);
                d_lo[v] = _mm512_add_pd(d_lo[v], e_lo);
            }
            // Lane l's low 32 bits: its key bytes of vectors 0..3 in order.
            const __m512i four =
                _mm512_or_si512(_mm512_ternarylogic_epi64(w[0], _mm512_maskz_slli_epi64(0xFF, w[1], 8),
                                                          _mm512_maskz_slli_epi64(0xFF, w[2], 16), 0xFE),
                                _mm512_maskz_slli_epi64(0xFF, w[3], 24));
            const __m256i keys =
                _mm512_maskz_extracti64x4_epi64(0xF, _mm512_maskz_permutexvar_epi32(0xFFFF, low_halves, four), 0);
            auto* out = reinterpret_cast<__m256i*>(buf + (done + g) * kGroup);
            const __m256i more = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(other + phase));
            const __m256i given = _mm256_loadu_si256(out);
            const __m256i left = _mm256_xor_si256(given, _mm256_xor_si256(keys, more));
            _mm256_storeu_si256(out, left);
            // PSADBW against zero adds eight bytes into one 64-bit lane.
            if constexpr (summed == KeyedSum::Given)
                sums = _mm256_add_epi64(sums, _mm256_sad_epu8(given, _mm256_setzero_si256()));
            if constexpr (summed == KeyedSum::Left)
                sums = _mm256_add_epi64(sums, _mm256_sad_epu8(left, _mm256_setzero_si256()));
            phase += step;
            if (phase >= period) phase -= period;
            if ((g & 15) == 15) {
                // Take whole turns off (exact on the grid).
                for (std::size_t v = 0; v < 4; ++v) {
                    const __m512d q = _mm512_sub_pd(_mm512_fmadd_pd(u_hi[v], half, magic), magic);
                    u_hi[v] = _mm512_fnmadd_pd(q, two, u_hi[v]);
                    const __m512d qd = _mm512_sub_pd(_mm512_fmadd_pd(d_hi[v], half, magic), magic);
                    d_hi[v] = _mm512_fnmadd_pd(qd, two, d_hi[v]);
                }
            }
        }
        // Move what the low parts have gathered beyond the grid into hi.
        for (std::size_t v = 0; v < 4; ++v) {
            const __m512d cu = _mm512_mul_pd(_mm512_sub_pd(_mm512_fmadd_pd(u_lo[v], inv_grid, magic), magic), grid);
            u_lo[v] = _mm512_sub_pd(u_lo[v], cu);
            u_hi[v] = _mm512_add_pd(u_hi[v], cu);
            const __m512d cd = _mm512_mul_pd(_mm512_sub_pd(_mm512_fmadd_pd(d_lo[v], inv_grid, magic), magic), grid);
            d_lo[v] = _mm512_sub_pd(d_lo[v], cd);
            d_hi[v] = _mm512_add_pd(d_hi[v], cd);
        }
        done += run;
    }
    lanes.other.phase = phase;
    if constexpr (summed != KeyedSum::None) {
        alignas(32) std::uint64_t parts[4];
        _mm256_store_si256(reinterpret_cast<__m256i*>(parts), sums);
        lanes.sum += parts[0] + parts[1] + parts[2] + parts[3];
    }
}

}  // namespace

void level1_kernel_avx512(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups) {
    for_summing(lanes.summed, [&]<KeyedSum S>() { key_run<S>(lanes, buf, groups); });
}

}  // namespace tarnvold::detail

#endif
