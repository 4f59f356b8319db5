#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds tarnvold-cli.exe for Windows, x86-64 (win64) and x86 (win32), with
# Debian's mingw-w64 compilers, statically linked, without the window
# program, and packs each with the licence and the CLI help page:
#   scripts/build-windows.sh [OUTDIR]      (default: build-windows/)
# leaves OUTDIR/tarnvold-cli-VERSION-win64.zip and -win32.zip.  OUTDIR/win64
# and OUTDIR/win32 hold the two builds with their tests; GoogleTest is built
# for each from Debian's source package (OUTDIR/googletest-*).
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

  exe=$out/$name/src/cli/tarnvold-cli.exe
  # Nothing but Windows' own libraries: no C++ runtime, no thread library.
  imports=$("$arch-w64-mingw32-objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  for dll in $imports; do
    case $dll in
      kernel32.dll | msvcrt.dll | shell32.dll | advapi32.dll | user32.dll | ntdll.dll) ;;
      *) echo "$exe needs $dll, which Windows does not bring" >&2; exit 1 ;;
    esac
  done
  version=$(sed -n 's/.*kProgramVersion\[\] = "\(.*\)";/\1/p' "$out/$name/generated/tarnvold/version.h")
  zipfile=$out/tarnvold-cli-$version-$name.zip
  stage=$out/$name/zip
  rm -rf "$stage" "$zipfile"
  mkdir -p "$stage/help"
  cp "$exe" "$root/LICENSE" "$stage/"
  cp "$root/help/cli.htm" "$stage/help/"
  (cd "$stage" && zip -q -X -r "$zipfile" tarnvold-cli.exe LICENSE help/cli.htm)
  echo "$zipfile: $(echo $imports)"
done

echo "Built tarnvold-cli.exe for win64 and win32 in $out, with the tests and verify_keystream."
