// SPDX-License-Identifier: GPL-3.0-or-later
// What the processor offers beyond the baseline instruction set, asked once
// where a faster routine is picked.
#pragma once

namespace tarnvold {

enum class CpuFeature { Avx2, Fma, Avx512f };

inline bool cpu_has(CpuFeature feature) {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    switch (feature) {
    case CpuFeature::Avx2: return __builtin_cpu_supports("avx2");
    case CpuFeature::Fma: return __builtin_cpu_supports("fma");
    case CpuFeature::Avx512f: return __builtin_cpu_supports("avx512f");
    }
    return false;
#else
    (void)feature;
    return false;
#endif
}

}  // namespace tarnvold
