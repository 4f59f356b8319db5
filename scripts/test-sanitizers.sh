#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, without the x87 key stream (so this build also
# proves the portable one), and runs the whole test suite on it, the fuzz
# corpora included.  Any memory error, leak of ours or undefined behaviour
# fails the test that met it.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${SAN_BUILD_DIR:-build-san}
JOBS=${JOBS:-$(nproc)}
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

CC=clang CXX=clang++ cmake -S . -B "$BUILD" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARNVOLD_SANITIZE=ON \
  -DTARNVOLD_FUZZ=ON \
  -DTARNVOLD_WITH_X87=OFF \
  -DTARNVOLD_BUILD_BENCH=OFF \
  "${launcher[@]}"
cmake --build "$BUILD" -j"$JOBS"

supp=$PWD/scripts/lsan.supp
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export LSAN_OPTIONS=suppressions=$supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:report_error_type=1

xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$BUILD" --output-on-failure -j"$JOBS" --timeout 900 </dev/null
