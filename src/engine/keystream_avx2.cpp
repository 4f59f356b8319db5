// The position key stream, 32 bytes per step with AVX2 and FMA.  Only
// called after the processor has been asked whether it has them.
//
// Each of the 32 byte lanes keeps its residue and its increment as exact
// pairs of doubles (see keystream_fast.h).  Per step and lane:
//   angle reduction  j = round(hi / pi), r = hi - j pi + lo (Cody-Waite)
//   sine             odd polynomial of degree 19 on |r| <= pi/2
//   key byte         round-half-even(125 + (-1)^j 125 sin r), one rounding
//   advance          m += d, d += e: exact, no rounding
// Whole multiples of 2P are taken off every 4 steps (the sine does not see
// them), and the low parts are renormalised every 32 steps.
#include "keystream_fast.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

namespace tarnvold::detail {
namespace {

// Where lane l of vector v ends up after the packing below.
constexpr std::size_t byte_of(std::size_t v, std::size_t l) { return 2 * v + (l & 1) + 16 * (l >> 1); }

}  // namespace

__attribute__((target("avx2,fma"))) void level1_kernel_avx2(KeyLanes& lanes, std::uint8_t* buf,
                                                           std::size_t groups) {
    __m256d m_hi[8], m_lo[8], d_hi[8], d_lo[8];
    for (std::size_t v = 0; v < 8; ++v) {
        const std::size_t p0 = byte_of(v, 0), p1 = byte_of(v, 1), p2 = byte_of(v, 2), p3 = byte_of(v, 3);
        m_hi[v] = _mm256_set_pd(lanes.m_hi[p3], lanes.m_hi[p2], lanes.m_hi[p1], lanes.m_hi[p0]);
        m_lo[v] = _mm256_set_pd(lanes.m_lo[p3], lanes.m_lo[p2], lanes.m_lo[p1], lanes.m_lo[p0]);
        d_hi[v] = _mm256_set_pd(lanes.d_hi[p3], lanes.d_hi[p2], lanes.d_hi[p1], lanes.d_hi[p0]);
        d_lo[v] = _mm256_set_pd(lanes.d_lo[p3], lanes.d_lo[p2], lanes.d_lo[p1], lanes.d_lo[p0]);
    }
    const __m256d e_hi = _mm256_set1_pd(lanes.e_hi);
    const __m256d e_lo = _mm256_set1_pd(lanes.e_lo);
    const __m256d magic = _mm256_set1_pd(kRoundMagic);
    const __m256d inv_pi = _mm256_set1_pd(kInvPi);
    const __m256d inv_2pi = _mm256_set1_pd(kInv2Pi);
    const __m256d pi1 = _mm256_set1_pd(kPi1);
    const __m256d pi2 = _mm256_set1_pd(kPi2);
    const __m256d two_p_hi = _mm256_set1_pd(kTwoPHi);
    const __m256d two_p_lo = _mm256_set1_pd(kTwoPLo);
    const __m256d k125 = _mm256_set1_pd(125.0);
    const __m256d k125_magic = _mm256_set1_pd(125.0 + kRoundMagic);  // exact: 1.5 * 2^52 + 125
    const __m256d two32 = _mm256_set1_pd(0x1p32);
    const __m256d two_m32 = _mm256_set1_pd(0x1p-32);
    __m256d c[9];
    for (int i = 0; i < 9; ++i) c[i] = _mm256_set1_pd(kSinCoeff[i]);

    std::size_t done = 0;
    while (done < groups) {
        const std::size_t run = groups - done < 32 ? groups - done : 32;
        for (std::size_t g = 0; g < run; ++g) {
            __m256d w[8];
#pragma GCC unroll 8
            for (std::size_t v = 0; v < 8; ++v) {
                // t holds j = round(hi / pi) in its low bits (the magic
                // constant is even), so its lowest bit is j's parity.
                const __m256d t = _mm256_fmadd_pd(m_hi[v], inv_pi, magic);
                const __m256d j = _mm256_sub_pd(t, magic);
                __m256d r = _mm256_fnmadd_pd(j, pi1, m_hi[v]);  // exact
                r = _mm256_add_pd(r, m_lo[v]);
                r = _mm256_fnmadd_pd(j, pi2, r);
                const __m256d r2 = _mm256_mul_pd(r, r);
                __m256d p = _mm256_fmadd_pd(c[8], r2, c[7]);
                p = _mm256_fmadd_pd(p, r2, c[6]);
                p = _mm256_fmadd_pd(p, r2, c[5]);
                p = _mm256_fmadd_pd(p, r2, c[4]);
                p = _mm256_fmadd_pd(p, r2, c[3]);
                p = _mm256_fmadd_pd(p, r2, c[2]);
                p = _mm256_fmadd_pd(p, r2, c[1]);
                p = _mm256_fmadd_pd(p, r2, c[0]);
                const __m256d s = _mm256_fmadd_pd(_mm256_mul_pd(r, r2), p, r);
                const __m256d sign = _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_castpd_si256(t), 63));
                // 125 (1 + (-1)^j s) + magic, rounded once, half to even: the
                // key byte sits in the low bits.
                w[v] = _mm256_fmadd_pd(s, _mm256_xor_pd(k125, sign), k125_magic);

                m_hi[v] = _mm256_add_pd(m_hi[v], d_hi[v]);
                m_lo[v] = _mm256_add_pd(m_lo[v], d_lo[v]);
                d_hi[v] = _mm256_add_pd(d_hi[v], e_hi);
                d_lo[v] = _mm256_add_pd(d_lo[v], e_lo);
            }
            // Low 32 bits of each 64-bit lane are the key byte: gather them
            // into 32 bytes.
            const __m256i x01 = _mm256_castps_si256(_mm256_shuffle_ps(
                _mm256_castpd_ps(w[0]), _mm256_castpd_ps(w[1]), _MM_SHUFFLE(2, 0, 2, 0)));
            const __m256i x23 = _mm256_castps_si256(_mm256_shuffle_ps(
                _mm256_castpd_ps(w[2]), _mm256_castpd_ps(w[3]), _MM_SHUFFLE(2, 0, 2, 0)));
            const __m256i x45 = _mm256_castps_si256(_mm256_shuffle_ps(
                _mm256_castpd_ps(w[4]), _mm256_castpd_ps(w[5]), _MM_SHUFFLE(2, 0, 2, 0)));
            const __m256i x67 = _mm256_castps_si256(_mm256_shuffle_ps(
                _mm256_castpd_ps(w[6]), _mm256_castpd_ps(w[7]), _MM_SHUFFLE(2, 0, 2, 0)));
            const __m256i keys = _mm256_packus_epi16(_mm256_packus_epi32(x01, x23),
                                                     _mm256_packus_epi32(x45, x67));
            auto* out = reinterpret_cast<__m256i*>(buf + (done + g) * kGroup);
            _mm256_storeu_si256(out, _mm256_xor_si256(_mm256_loadu_si256(out), keys));

            if ((g & 15) == 15) {
                for (std::size_t v = 0; v < 8; ++v) {
                    const __m256d q = _mm256_sub_pd(_mm256_fmadd_pd(m_hi[v], inv_2pi, magic), magic);
                    m_hi[v] = _mm256_fnmadd_pd(q, two_p_hi, m_hi[v]);
                    m_lo[v] = _mm256_fnmadd_pd(q, two_p_lo, m_lo[v]);
                    const __m256d qd = _mm256_sub_pd(_mm256_fmadd_pd(d_hi[v], inv_2pi, magic), magic);
                    d_hi[v] = _mm256_fnmadd_pd(qd, two_p_hi, d_hi[v]);
                    d_lo[v] = _mm256_fnmadd_pd(qd, two_p_lo, d_lo[v]);
                }
            }
        }
        for (std::size_t v = 0; v < 8; ++v) {
            const __m256d cm = _mm256_sub_pd(_mm256_fmadd_pd(m_lo[v], two32, magic), magic);
            m_lo[v] = _mm256_fnmadd_pd(cm, two_m32, m_lo[v]);
            m_hi[v] = _mm256_fmadd_pd(cm, two_m32, m_hi[v]);
            const __m256d cd = _mm256_sub_pd(_mm256_fmadd_pd(d_lo[v], two32, magic), magic);
            d_lo[v] = _mm256_fnmadd_pd(cd, two_m32, d_lo[v]);
            d_hi[v] = _mm256_fmadd_pd(cd, two_m32, d_hi[v]);
        }
        done += run;
    }
}

}  // namespace tarnvold::detail

#endif
