#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds for Windows, x86-64 (win64) and x86 (win32), with Debian's
# mingw-w64 compilers, statically linked, without the window program:
#   scripts/build-windows.sh [OUTDIR]      (default: build-windows/)
# OUTDIR/win64 and OUTDIR/win32 hold the two builds; GoogleTest is built for
# each from Debian's source package (OUTDIR/googletest-*).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build-windows}")

"$root/scripts/install-deps.sh" --windows

jobs=${JOBS:-$(nproc)}
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi

for arch in x86_64 i686; do
  name=$([[ $arch == x86_64 ]] && echo win64 || echo win32)
  toolchain=$root/cmake/mingw-w64-$arch.cmake
  gtest=$out/googletest-$name
  echo "== $name"
  if [[ ! -f $gtest/install/lib/cmake/GTest/GTestConfig.cmake ]]; then
    cmake -S /usr/src/googletest -B "$gtest/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$gtest/install" "${launcher[@]}" >/dev/null
    cmake --build "$gtest/build" -j"$jobs" >/dev/null
    cmake --install "$gtest/build" >/dev/null
  fi
  cmake -S "$root" -B "$out/$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DTARNVOLD_BUILD_GUI=OFF -DTARNVOLD_WERROR=ON -DCMAKE_PREFIX_PATH="$gtest/install" "${launcher[@]}" >/dev/null
  cmake --build "$out/$name" -j"$jobs"
done

echo "Built for win64 and win32 in $out: the engine and platform libraries, their tests and verify_keystream."
echo "tarnvold-cli.exe is not built yet: the folder walk, the start-up and the terminal have no Windows layer so far."
