// SPDX-License-Identifier: GPL-3.0-or-later
// The position key stream, 32 bytes per step with AVX2 and FMA.  Only
// called after the processor has been asked whether it has them.
//
// Each of the 32 byte lanes keeps its position in half turns and its
// increment as pairs of doubles (see keystream_fast.h).  Per step and lane:
//   reduction        j = round(hi), f = hi - j + lo, in [-1/2, 1/2]
//   key byte         round-half-even(125 + (-1)^j 125 sin(pi f)), one
//                    polynomial of degree 13 and one rounding
//   advance          u += d, d += e
// Whole turns are taken off every 16 steps (exact on hi's grid), and the low
// parts are moved into hi every 32 steps.
#include "engine/keystream_fast.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

namespace tarnvold::detail {
namespace {

// Where lane l of vector v ends up after the packing below.
constexpr std::size_t byte_of(std::size_t v, std::size_t l) { return 2 * v + (l & 1) + 16 * (l >> 1); }

// The kernel, adding the bytes `summed` names to lanes.sum on the way.
template <KeyedSum summed>
__attribute__((target("avx2,fma"))) void key_run(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups) {
    __m256d u_hi[8], u_lo[8], d_hi[8], d_lo[8];
    for (std::size_t v = 0; v < 8; ++v) {
        const std::size_t p0 = byte_of(v, 0), p1 = byte_of(v, 1), p2 = byte_of(v, 2), p3 = byte_of(v, 3);
        u_hi[v] = _mm256_set_pd(lanes.u_hi[p3], lanes.u_hi[p2], lanes.u_hi[p1], lanes.u_hi[p0]);
        u_lo[v] = _mm256_set_pd(lanes.u_lo[p3], lanes.u_lo[p2], lanes.u_lo[p1], lanes.u_lo[p0]);
        d_hi[v] = _mm256_set_pd(lanes.d_hi[p3], lanes.d_hi[p2], lanes.d_hi[p1], lanes.d_hi[p0]);
        d_lo[v] = _mm256_set_pd(lanes.d_lo[p3], lanes.d_lo[p2], lanes.d_lo[p1], lanes.d_lo[p0]);
    }
    const __m256d e_hi = _mm256_set1_pd(lanes.e_hi);
    const __m256d e_lo = _mm256_set1_pd(lanes.e_lo);
    const __m256d magic = _mm256_set1_pd(kRoundMagic);
    const __m256d half = _mm256_set1_pd(0.5);
    const __m256d two = _mm256_set1_pd(2.0);
    const __m256d k125_magic = _mm256_set1_pd(125.0 + kRoundMagic);  // exact: 1.5 * 2^52 + 125
    const __m256d inv_grid = _mm256_set1_pd(kInvGrid);
    const __m256d grid = _mm256_set1_pd(kGrid);
    __m256d c[7];
    for (int i = 0; i < 7; ++i) c[i] = _mm256_set1_pd(kKeyCoeff[i]);

    const std::uint8_t* const other = lanes.other.bytes;
    const unsigned period = lanes.other.period;
    const unsigned step = kGroup % period;
    unsigned phase = lanes.other.phase;
    __m256i sums = _mm256_setzero_si256();
    std::size_t done = 0;
    while (done < groups) {
        const std::size_t run = groups - done < 32 ? groups - done : 32;
        for (std::size_t g = 0; g < run; ++g) {
            __m256d w[8];
#pragma GCC unroll 8
            for (std::size_t v = 0; v < 8; ++v) {
                // t holds j = round(hi) in its low bits (the magic constant
                // is even), so its lowest bit is j's parity.
                const __m256d t = _mm256_add_pd(u_hi[v], magic);
                const __m256d j = _mm256_sub_pd(t, magic);
                const __m256d f = _mm256_add_pd(_mm256_sub_pd(u_hi[v], j), u_lo[v]);
                const __m256d f2 = _mm256_mul_pd(f, f);
                __m256d q = _mm256_fmadd_pd(c[6], f2, c[5]);
                q = _mm256_fmadd_pd(q, f2, c[4]);
                q = _mm256_fmadd_pd(q, f2, c[3]);
                q = _mm256_fmadd_pd(q, f2, c[2]);
                q = _mm256_fmadd_pd(q, f2, c[1]);
                q = _mm256_fmadd_pd(q, f2, c[0]);
                const __m256d sign = _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_castpd_si256(t), 63));
                // 125 + 125 sin(pi (-1)^j f) + magic, rounded once, half to
                // even: the key byte sits in the low bits.
                w[v] = _mm256_fmadd_pd(_mm256_xor_pd(f, sign), q, k125_magic);

                u_hi[v] = _mm256_add_pd(u_hi[v], d_hi[v]);
                u_lo[v] = _mm256_add_pd(u_lo[v], d_lo[v]);
                d_hi[v] = _mm256_add_pd(d_hi[v], e_hi);
                d_lo[v] = _mm256_add_pd(d_lo[v], e_lo);
            }
            // Low 32 bits of each 64-bit lane are the key byte: gather them
            // into 32 bytes.
            const __m256i x01 = _mm256_castps_si256(
                _mm256_shuffle_ps(_mm256_castpd_ps(w[0]), _mm256_castpd_ps(w[1]), _MM_SHUFFLE(2, 0, 2, 0)));
            const __m256i x23 = _mm256_castps_si256(
                _mm256_shuffle_ps(_mm256_castpd_ps(w[2]), _mm256_castpd_ps(w[3]), _MM_SHUFFLE(2, 0, 2, 0)));
            const __m256i x45 = _mm256_castps_si256(
                _mm256_shuffle_ps(_mm256_castpd_ps(w[4]), _mm256_castpd_ps(w[5]), _MM_SHUFFLE(2, 0, 2, 0)));
            const __m256i x67 = _mm256_castps_si256(
                _mm256_shuffle_ps(_mm256_castpd_ps(w[6]), _mm256_castpd_ps(w[7]), _MM_SHUFFLE(2, 0, 2, 0)));
            const __m256i keys = _mm256_packus_epi16(_mm256_packus_epi32(x01, x23), _mm256_packus_epi32(x45, x67));
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
                for (std::size_t v = 0; v < 8; ++v) {
                    const __m256d q = _mm256_sub_pd(_mm256_fmadd_pd(u_hi[v], half, magic), magic);
                    u_hi[v] = _mm256_fnmadd_pd(q, two, u_hi[v]);
                    const __m256d qd = _mm256_sub_pd(_mm256_fmadd_pd(d_hi[v], half, magic), magic);
                    d_hi[v] = _mm256_fnmadd_pd(qd, two, d_hi[v]);
                }
            }
        }
        // Move what the low parts have gathered beyond the grid into hi.
        for (std::size_t v = 0; v < 8; ++v) {
            const __m256d cu = _mm256_mul_pd(_mm256_sub_pd(_mm256_fmadd_pd(u_lo[v], inv_grid, magic), magic), grid);
            u_lo[v] = _mm256_sub_pd(u_lo[v], cu);
            u_hi[v] = _mm256_add_pd(u_hi[v], cu);
            const __m256d cd = _mm256_mul_pd(_mm256_sub_pd(_mm256_fmadd_pd(d_lo[v], inv_grid, magic), magic), grid);
            d_lo[v] = _mm256_sub_pd(d_lo[v], cd);
            d_hi[v] = _mm256_add_pd(d_hi[v], cd);
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

void level1_kernel_avx2(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups) {
    for_summing(lanes.summed, [&]<KeyedSum S>() { key_run<S>(lanes, buf, groups); });
}

}  // namespace tarnvold::detail

#endif
