#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything and runs the whole test suite,
# with no display needed (the window tests run under Xvfb):
#   0. the layout of the C++ sources (clang-format, see .clang-format);
#   1. the normal build, warnings as errors, every test;
#   2. the same suite built with clang under AddressSanitizer and
#      UndefinedBehaviorSanitizer, without the x87 key stream, the fuzz
#      corpora replayed as tests;
#   3. the Debian packages, built twice with dpkg-buildpackage and compared,
#      checked, installed and started through the launcher;
#   4. the Windows builds (win64, win32) and their tests under wine.
# SKIP_SANITIZERS=1 leaves out step 2, SKIP_WINDOWS=1 step 4.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "== layout"
# Every tracked C++ file as .clang-format lays it out.
git ls-files -z -- 'src/*.h' 'src/*.cpp' 'tests/*.h' 'tests/*.cpp' 'bench/*.h' 'bench/*.cpp' 'fuzz/*.h' 'fuzz/*.cpp' |
  xargs -0 clang-format --dry-run -Werror

# ccache, when there, lets a second run in another clone reuse the objects
# of the first: paths are taken relative to the clone.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNVOLD_WERROR=ON "${launcher[@]}"
cmake --build "$BUILD" -j"$(nproc)"

echo "== test suite ($((SECONDS / 60)) min so far)"
# A virtual screen large enough for the full window layout.
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" --timeout 600 </dev/null

if [[ "${SKIP_SANITIZERS:-}" != 1 ]]; then
  echo "== test suite under sanitizers, without the x87 key stream"
  scripts/test-sanitizers.sh
fi

echo "== package ($((SECONDS / 60)) min so far)"
BUILD_DIR="$BUILD" scripts/test-package.sh

if [[ "${SKIP_WINDOWS:-}" != 1 ]]; then
  echo "== Windows builds, tests under wine"
  BUILD_DIR="$BUILD" scripts/test-windows.sh
fi
echo "== every stage passed, in $((SECONDS / 60)) min $((SECONDS % 60)) s"
