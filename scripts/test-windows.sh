#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows stage of the test suite: builds for win64 and win32 with
# scripts/build-windows.sh and runs the test programs under wine, 64-bit and
# (through Debian's i386 architecture, where this kernel runs 32-bit
# programs and the mirror's i386 index can be used) 32-bit, each run with a time limit,
# then tarnvold-cli.exe end to end against the Linux tarnvold-cli
# (scripts/test-windows-cli.sh).  Wine gets a prefix of its own inside the
# build folder and no display; then the window tests (tests/ui, built
# against the cross-built Qt) and the window program's zip are tried on a
# virtual screen (scripts/window-smoke.sh; Xvfb and a time limit on every
# start); last the installer, installed, used and removed under wine.
#   scripts/test-windows.sh [OUTDIR]      (default: build-windows/)
# The Linux program is BUILD_DIR's (default build/), built there if missing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build-windows}")

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
missing=()
# xvfb, xdotool, xwd, netpbm and unzip for the window program's test, a
# font for the window tests.
for p in wine wine64 xvfb xauth xdotool x11-apps netpbm unzip fonts-dejavu-core; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then missing+=("$p"); fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q || true
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
fi

# 32-bit Windows programs need wine's 32-bit loader, which needs a kernel
# that runs 32-bit programs and Debian's i386 architecture.  A tiny static
# i386 program tells the first; a mirror whose i386 index is broken only
# leaves the win32 tests out, and the architecture is taken away again when
# it was added here for nothing.
win32_not_run=""
i386_runs() {
  local probe
  probe=$(mktemp -d)
  printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$probe/probe.s"
  as --32 -o "$probe/probe.o" "$probe/probe.s" && ld -m elf_i386 -o "$probe/probe" "$probe/probe.o" &&
    "$probe/probe" 2>/dev/null
  local status=$?
  rm -rf "$probe"
  return $status
}
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  :
elif ! i386_runs; then
  win32_not_run="this kernel does not run 32-bit programs (a static i386 program fails to start)"
else
  added=0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    added=1
  fi
  log=$(mktemp)
  # apt-get update succeeds with a warning when an index is unusable, and
  # fails when one could not be fetched: either leaves wine32 out.
  if ! $SUDO apt-get update -q >"$log" 2>&1 || grep -q '^[WE]: .*i386' "$log" ||
    ! $SUDO apt-get install -y -q --no-install-recommends wine32:i386 </dev/null >>"$log" 2>&1; then
    win32_not_run="wine32:i386 could not be installed: $(grep -E '^[WE]: ' "$log" | head -1)"
    if ((added)); then
      $SUDO dpkg --remove-architecture i386 || true
      $SUDO apt-get update -q >/dev/null 2>&1 || true
    fi
  fi
  rm -f "$log"
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
  if [[ $name == win32 && -n $win32_not_run ]]; then
    echo "== win32 NOT RUN: $win32_not_run"
    continue
  fi
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

# --- The installer, under wine in a prefix of its own: installed silently,
# the program started from the Start-menu entry's folder and from another
# one, a coded file opened through the association, uninstalled.  The
# driven build stands in for the installed program where it has to report
# (it prints the languages listed and the help page found).
installer_tests() {
  local msi prefix app user lnk report log
  msi=$(ls "$out"/tarnvold-*-win64.msi 2>/dev/null | head -1)
  if [[ -z $msi ]]; then
    echo "== installer NOT TESTED: build-windows.sh made none"
    return 0
  fi
  echo "== installer $(basename "$msi") under wine"
  prefix=$out/installer-test/prefix
  rm -rf "$out/installer-test"
  mkdir -p "$out/installer-test/elsewhere"
  log=$out/installer-test/log
  (
    export WINEPREFIX=$prefix
    check() {
      if eval "$2"; then echo "ok     $1"; else echo "FAILED $1"; return 1; fi
    }
    start_driven() { # FOLDER: the stand-in started there, its report read
      rm -f "$report"
      (cd "$1" && TARNVOLD_TEST_QUIT=1 TARNVOLD_TEST_BOXES=yes TARNVOLD_TEST_REPORT="Z:${report//\//\\}" \
        timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" "$wine64" "$app/tarnvold_driven.exe" </dev/null \
        >>"$log" 2>&1)
      cat "$report" 2>/dev/null
    }
    failed=0
    timeout 300 "$wine64" wineboot -i </dev/null >/dev/null 2>&1
    timeout 300 "$wine64" msiexec /i "Z:${msi//\//\\}" /qn </dev/null >>"$log" 2>&1 || failed=1
    app=$(dirname "$(find "$prefix/drive_c" -name tarnvold.exe -path '*Tarnvold*' | head -1)")
    user=$(ls -d "$prefix"/drive_c/users/*/AppData/Local/Tarnvold 2>/dev/null | head -1)
    lnk=$(ls "$prefix"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Tarnvold.lnk 2>/dev/null)
    check "msiexec /i /qn installs both programs, help and languages" \
      '[[ $failed == 0 && -f $app/tarnvold-cli.exe && -f $app/help/default.htm && $(ls "$app"/lang/*.tvl | wc -l) == 8 ]]' || exit 1
    check "the Start-menu entry starts tarnvold.exe in the user's Tarnvold folder, which the installer made" \
      '[[ -n $lnk && -d $user ]] && strings -el "$lnk" | grep -q "AppData.Local.Tarnvold" &&
        strings -el "$lnk" | grep -qi "tarnvold\.exe$"' || failed=1
    cp "$out/win64-gui/tests/ui/tarnvold_driven.exe" "$app/"
    report=$out/installer-test/report
    for where in "$user" "$out/installer-test/elsewhere"; do
      check "started in $(basename "$where"): help found beside the program, nine languages" \
        '[[ $(start_driven "$where" | grep -c "^help .*default\.htm$\|^languages english\(,[a-z]*\)\{8\}$") == 2 &&
          -f $where/tarnvold_conf.cfg && -f $where/lang/english.tvl ]]' || failed=1
    done
    # The association, as the shell follows it: the stand-in under the
    # installed program's name.
    cp "$app/tarnvold.exe" "$out/installer-test/tarnvold.exe.shipped"
    cp "$app/tarnvold_driven.exe" "$app/tarnvold.exe"
    printf 'coded\n' >"$out/installer-test/elsewhere/letter.cod"
    rm -f "$report"
    (cd "$out/installer-test/elsewhere" && TARNVOLD_TEST_QUIT=1 TARNVOLD_TEST_BOXES=yes \
      TARNVOLD_TEST_REPORT="Z:${report//\//\\}" timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" \
      "$wine64" start /wait /unix "$out/installer-test/elsewhere/letter.cod" </dev/null >>"$log" 2>&1)
    check "a .cod file opens with the window program through the association" \
      'grep -q "^selected .*letter\.cod$" "$report" 2>/dev/null' || failed=1
    cp "$out/installer-test/tarnvold.exe.shipped" "$app/tarnvold.exe"
    rm -f "$app/tarnvold_driven.exe"
    timeout 300 "$wine64" msiexec /x "Z:${msi//\//\\}" /qn </dev/null >>"$log" 2>&1
    /usr/lib/wine/wineserver -w 2>/dev/null
    check "msiexec /x removes the program, its entry and the association, and leaves the user's folder" \
      '[[ ! -e $app && ! -e $lnk && -f $user/tarnvold_conf.cfg ]] && ! grep -q "Tarnvold.CodedFile" "$prefix/system.reg" "$prefix/user.reg"' ||
      failed=1
    exit $failed
  ) || {
    echo "FAILED: the installer (its log: $log)"
    status=1
  }
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
}
installer_tests
exit $status
