#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite,
# with no display needed (the window tests run under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNVOLD_WERROR=ON
cmake --build "$BUILD" -j"$(nproc)"

# A virtual screen large enough for the full window layout.
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" --timeout 600 </dev/null
