#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows stage of the test suite: builds for win64 and win32 with
# scripts/build-windows.sh and runs the test programs under wine, 64-bit and
# (through Debian's i386 architecture) 32-bit, each run with a time limit,
# then tarnvold-cli.exe end to end against the Linux tarnvold-cli
# (scripts/test-windows-cli.sh).  Wine gets a prefix of its own inside the
# build folder and no display; then the window tests (tests/ui, built
# against the cross-built Qt) and the window program's zip are tried on a
# virtual screen (scripts/window-smoke.sh; Xvfb and a time limit on every
# start).
#   scripts/test-windows.sh [OUTDIR]      (default: build-windows/)
# The Linux program is BUILD_DIR's (default build/), built there if missing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build-windows}")

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -q
fi
missing=()
# xvfb, xdotool, xwd, netpbm and unzip for the window program's test, a
# font for the window tests.
for p in wine wine64 wine32:i386 xvfb xauth xdotool x11-apps netpbm unzip fonts-dejavu-core; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then missing+=("$p"); fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
fi

scripts/build-windows.sh "$out"

export WINEDEBUG=-all WINEPREFIX=$out/wineprefix WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
wine64=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "== wine prefix"
  timeout 300 "$wine64" wineboot -i </dev/null >/dev/null 2>&1
fi

linux_build=$(realpath -m "${BUILD_DIR:-build}")
linux_cli=$linux_build/src/cli/tarnvold-cli

status=0
for name in win64 win32; do
  loader=$([[ $name == win64 ]] && echo "$wine64" || echo "$wine32")
  if ! "$loader" --version >/dev/null 2>&1; then
    echo "== $name tests NOT RUN: this machine cannot start wine's $name loader ($loader)"
    continue
  fi
  # tarnvold-cli's own test programs drive it through fork, ptys, signals
  # and file modes, and are not built for Windows: the end-to-end checks
  # below run the program instead.
  for test in io/io_tests engine/engine_tests engine/keystream_fast_tests batch/batch_tests config/config_tests; do
    echo "== $name $test"
    if ! timeout 600 "$loader" "$out/$name/tests/$test.exe" --gtest_brief=1 </dev/null; then
      echo "FAILED: $name $test"
      status=1
    fi
  done
  # The fast kernels and the x87 instruction agree over the top of the
  # argument range, where the residues are largest.
  echo "== $name verify_keystream"
  if ! timeout 600 "$loader" "$out/$name/bench/verify_keystream.exe" 2130706432 2147483648 </dev/null 2>/dev/null | grep -E "^(arguments compared|mismatches)"; then
    echo "FAILED: $name verify_keystream"
    status=1
  fi
  echo "== $name tarnvold-cli.exe end to end"
  if [[ ! -x $linux_cli ]]; then
    cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNVOLD_WERROR=ON >/dev/null
    cmake --build "$linux_build" -j"$(nproc)" --target tarnvold-cli >/dev/null
  fi
  if ! scripts/test-windows-cli.sh "$loader" "$out/$name/src/cli/tarnvold-cli.exe" \
    "$out/$name/tests/support/hold_file.exe" "$linux_cli"; then
    echo "FAILED: $name tarnvold-cli.exe end to end"
    status=1
  fi
done
/usr/lib/wine/wineserver -k 2>/dev/null || true

# --- The window tests (QtTest programs) built for Windows, under wine with
# Qt's offscreen screen; wine itself still needs an X display, or it never
# ends, so each run gets Xvfb and a time limit.  Wine passes no QT_*
# variables on to Windows programs: qt.conf beside the tests points Qt at
# its plugins and at translations/ (laid out as in the zip) and lib/fonts
# (the fonts the offscreen screen draws with), and the platform is an
# argument.
window_tests() {
  local qt gui runtime wine_path test name qm
  gui=$out/win64-gui
  if ! ls "$gui"/tests/ui/ui_*_test.exe >/dev/null 2>&1; then
    echo "== window tests NOT RUN: build-windows.sh built none"
    return 0
  fi
  qt=$(scripts/build-qt-windows.sh)
  # Qt's DLLs and the C++ runtime's, where build-windows.sh takes them from;
  # wine sees the Linux root as drive Z:.
  wine_path="Z:${qt//\//\\}\\bin"
  for runtime in libstdc++-6.dll libwinpthread-1.dll; do
    runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name="$runtime")")
    if [[ $runtime == . ]]; then runtime=/usr/x86_64-w64-mingw32/lib; else runtime=$(realpath "$runtime"); fi
    wine_path+=";Z:${runtime//\//\\}"
  done
  printf '[Paths]\nPrefix = .\nPlugins = Z:%s/plugins\n' "$qt" >"$gui/tests/ui/qt.conf"
  rm -rf "$gui/tests/ui/translations" "$gui/tests/ui/lib"
  mkdir -p "$gui/tests/ui/translations" "$gui/tests/ui/lib"
  cp "$gui"/translations/tarnvold_*.qm "$gui/tests/ui/translations/"
  for qm in /usr/share/qt6/translations/qtbase_*.qm; do
    if [[ -f $qm ]]; then cp "$qm" "$gui/tests/ui/translations/"; fi
  done
  ln -s /usr/share/fonts/truetype/dejavu "$gui/tests/ui/lib/fonts"
  for test in "$gui"/tests/ui/ui_*_test.exe; do
    name=$(basename "$test" .exe)
    echo "== win64 window test $name"
    rm -f "$gui/tests/ui/$name.txt"
    if (cd "$gui/tests/ui" && WINEPATH=$wine_path timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" \
      "$wine64" "$test" -platform offscreen -o "$name.txt,txt" </dev/null >/dev/null 2>&1); then
      grep -E '^(SKIP|Totals)' "$gui/tests/ui/$name.txt" || true
    else
      grep -E '^(FAIL|SKIP|Totals)|^   (Actual|Expected)|failure location' "$gui/tests/ui/$name.txt" || echo "(no results: it did not start or ran out of time)"
      echo "FAILED: win64 window test $name (its report: $gui/tests/ui/$name.txt)"
      status=1
    fi
  done
  /usr/lib/wine/wineserver -k 2>/dev/null || true
}
window_tests

# --- The window program from its zip, under wine on a virtual screen (wine
# with no display never ends, so every start here has Xvfb and a time
# limit): scripts/window-smoke.sh against the Linux build's files.
window_program_tests() {
  local zip linux app ref
  zip=$(ls "$out"/tarnvold-*-win64.zip 2>/dev/null | head -1)
  if [[ -z $zip ]]; then
    echo "== window program NOT TESTED: build-windows.sh made no zip"
    return 0
  fi
  echo "== window program from $(basename "$zip") under wine"
  # What the Linux build writes and decodes, for comparison.
  linux=$(realpath -m "${BUILD_DIR:-build}")
  if [[ ! -f $linux/CMakeCache.txt ]]; then
    cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNVOLD_WERROR=ON >/dev/null
  fi
  cmake --build "$linux" -j"$(nproc)" --target tarnvold_driven tarnvold-cli >/dev/null
  app=$out/window-test/app
  ref=$out/window-test/linux-first-start
  rm -rf "$out/window-test"
  mkdir -p "$app" "$ref"
  unzip -q "$zip" -d "$app"
  app=$(ls -d "$app"/tarnvold-*-win64)
  # The driven build beside the shipped one, to use the same DLLs.
  cp "$out/win64-gui/tests/ui/tarnvold_driven.exe" "$app/"
  (cd "$ref" && TARNVOLD_TEST_QUIT=1 timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$linux/tests/ui/tarnvold_driven" </dev/null >/dev/null 2>&1) || echo "(the Linux first start ended with an error)"
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  if ! CLI=$linux/src/cli/tarnvold-cli SCREENSHOT=$out/window-test/tarnvold-wine.png \
    timeout 600 xvfb-run -a -s "-screen 0 1280x1024x24" \
    scripts/window-smoke.sh "$app/tarnvold.exe" "$app/tarnvold_driven.exe" "$ref" "$out/window-test/work" "$wine64"; then
    echo "FAILED: window program under wine"
    status=1
  fi
  /usr/lib/wine/wineserver -k 2>/dev/null || true
}
window_program_tests
exit $status
