// The position key stream, 32 bytes per step with AVX-512F: the AVX2
// kernel's computation (keystream_avx2.cpp) on eight lanes per register, with
// registers enough to keep the whole state of a step in them.  Only called
// after the processor has been asked whether it has the instructions.
#include "keystream_fast.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

namespace tarnvold::detail {

__attribute__((target("avx512f,avx2,fma"))) void level1_kernel_avx512(KeyLanes& lanes, std::uint8_t* buf,
                                                                     std::size_t groups) {
    // Vector v (0..3) lane l (0..7) handles byte 8 v + l of each group.
    __m512d m_hi[4], m_lo[4], d_hi[4], d_lo[4];
    for (std::size_t v = 0; v < 4; ++v) {
        m_hi[v] = _mm512_loadu_pd(lanes.m_hi + 8 * v);
        m_lo[v] = _mm512_loadu_pd(lanes.m_lo + 8 * v);
        d_hi[v] = _mm512_loadu_pd(lanes.d_hi + 8 * v);
        d_lo[v] = _mm512_loadu_pd(lanes.d_lo + 8 * v);
    }
    const __m512d e_hi = _mm512_set1_pd(lanes.e_hi);
    const __m512d e_lo = _mm512_set1_pd(lanes.e_lo);
    const __m512d magic = _mm512_set1_pd(kRoundMagic);
    const __m512d inv_pi = _mm512_set1_pd(kInvPi);
    const __m512d inv_2pi = _mm512_set1_pd(kInv2Pi);
    const __m512d pi1 = _mm512_set1_pd(kPi1);
    const __m512d pi2 = _mm512_set1_pd(kPi2);
    const __m512d two_p_hi = _mm512_set1_pd(kTwoPHi);
    const __m512d two_p_lo = _mm512_set1_pd(kTwoPLo);
    const __m512d k125 = _mm512_set1_pd(125.0);
    const __m512d k125_magic = _mm512_set1_pd(125.0 + kRoundMagic);
    const __m512d two32 = _mm512_set1_pd(0x1p32);
    const __m512d two_m32 = _mm512_set1_pd(0x1p-32);
    __m512d c[9];
    for (int i = 0; i < 9; ++i) c[i] = _mm512_set1_pd(kSinCoeff[i]);

    std::size_t done = 0;
    while (done < groups) {
        const std::size_t run = groups - done < 32 ? groups - done : 32;
        for (std::size_t g = 0; g < run; ++g) {
            __m128i bytes[4];
#pragma GCC unroll 4
            for (std::size_t v = 0; v < 4; ++v) {
                // t holds j = round(hi / pi) in its low bits; its lowest bit
                // is j's parity.
                const __m512d t = _mm512_fmadd_pd(m_hi[v], inv_pi, magic);
                const __m512d j = _mm512_sub_pd(t, magic);
                __m512d r = _mm512_fnmadd_pd(j, pi1, m_hi[v]);
                r = _mm512_add_pd(r, m_lo[v]);
                r = _mm512_fnmadd_pd(j, pi2, r);
                const __m512d r2 = _mm512_mul_pd(r, r);
                __m512d p = _mm512_fmadd_pd(c[8], r2, c[7]);
                p = _mm512_fmadd_pd(p, r2, c[6]);
                p = _mm512_fmadd_pd(p, r2, c[5]);
                p = _mm512_fmadd_pd(p, r2, c[4]);
                p = _mm512_fmadd_pd(p, r2, c[3]);
                p = _mm512_fmadd_pd(p, r2, c[2]);
                p = _mm512_fmadd_pd(p, r2, c[1]);
                p = _mm512_fmadd_pd(p, r2, c[0]);
                const __m512d s = _mm512_fmadd_pd(_mm512_mul_pd(r, r2), p, r);
                const __m512i sign = _mm512_maskz_slli_epi64(0xFF, _mm512_castpd_si512(t), 63);
                const __m512d amp = _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(k125), sign));
                // 125 (1 + (-1)^j s) + magic, rounded once, half to even: the
                // key byte is the low byte of each lane.
                const __m512d w = _mm512_fmadd_pd(s, amp, k125_magic);
                bytes[v] = _mm512_maskz_cvtepi64_epi8(0xFF, _mm512_castpd_si512(w));
                m_hi[v] = _mm512_add_pd(m_hi[v], d_hi[v]);
                m_lo[v] = _mm512_add_pd(m_lo[v], d_lo[v]);
                d_hi[v] = _mm512_add_pd(d_hi[v], e_hi);
                d_lo[v] = _mm512_add_pd(d_lo[v], e_lo);
            }
            const __m256i keys = _mm256_set_m128i(_mm_unpacklo_epi64(bytes[2], bytes[3]),
                                                  _mm_unpacklo_epi64(bytes[0], bytes[1]));
            auto* out = reinterpret_cast<__m256i*>(buf + (done + g) * kGroup);
            _mm256_storeu_si256(out, _mm256_xor_si256(_mm256_loadu_si256(out), keys));
            if ((g & 15) == 15) {
                // Take whole multiples of 2P back off.
                for (std::size_t v = 0; v < 4; ++v) {
                    const __m512d q = _mm512_sub_pd(_mm512_fmadd_pd(m_hi[v], inv_2pi, magic), magic);
                    m_hi[v] = _mm512_fnmadd_pd(q, two_p_hi, m_hi[v]);
                    m_lo[v] = _mm512_fnmadd_pd(q, two_p_lo, m_lo[v]);
                    const __m512d qd = _mm512_sub_pd(_mm512_fmadd_pd(d_hi[v], inv_2pi, magic), magic);
                    d_hi[v] = _mm512_fnmadd_pd(qd, two_p_hi, d_hi[v]);
                    d_lo[v] = _mm512_fnmadd_pd(qd, two_p_lo, d_lo[v]);
                }
            }
        }
        // Bring the low parts back below 2^-32.
        for (std::size_t v = 0; v < 4; ++v) {
            const __m512d cm = _mm512_sub_pd(_mm512_fmadd_pd(m_lo[v], two32, magic), magic);
            m_lo[v] = _mm512_fnmadd_pd(cm, two_m32, m_lo[v]);
            m_hi[v] = _mm512_fmadd_pd(cm, two_m32, m_hi[v]);
            const __m512d cd = _mm512_sub_pd(_mm512_fmadd_pd(d_lo[v], two32, magic), magic);
            d_lo[v] = _mm512_fnmadd_pd(cd, two_m32, d_lo[v]);
            d_hi[v] = _mm512_fmadd_pd(cd, two_m32, d_hi[v]);
        }
        done += run;
    }
}

}  // namespace tarnvold::detail


#endif
