#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds tarnvold-cli.exe for Windows, x86-64 (win64) and x86 (win32), with
# Debian's mingw-w64 compilers, statically linked, and packs each with the
# licence and the CLI help page; then the window program for win64 against
# Qt built once from Debian's source (scripts/build-qt-windows.sh) and its
# zip:
#   scripts/build-windows.sh [OUTDIR]      (default: build-windows/)
# leaves OUTDIR/tarnvold-cli-VERSION-win64.zip and -win32.zip, and
# OUTDIR/tarnvold-VERSION-win64.zip and its installer
# OUTDIR/tarnvold-VERSION-win64.msi (SKIP_GUI=1 leaves these two out), each
# with one folder inside, the licence, the notices of the works of others
# and SOURCE.txt, which names OUTDIR/tarnvold-VERSION-source.tar.gz, the
# source of the same commit made beside them.  OUTDIR/win64
# and OUTDIR/win32 hold the two builds with their tests; GoogleTest is built
# for each from Debian's source package (OUTDIR/googletest-*).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build-windows}")

"$root/scripts/install-deps.sh" --windows

jobs=${JOBS:-$(nproc)}

# The source of exactly this commit, beside the zips: what SOURCE.txt in
# each of them points to.
commit=$(git -C "$root" rev-parse HEAD)
project_version=$(sed -n 's/^project(Tarnvold VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
source_archive=tarnvold-$project_version-source.tar.gz
mkdir -p "$out"
git -C "$root" archive --format=tar.gz --prefix="tarnvold-$project_version/" -o "$out/$source_archive" "$commit"
if [[ -n $(git -C "$root" status --porcelain --untracked-files=no) ]]; then
  echo "Note: the working tree has changes that $source_archive (commit $commit) does not hold" >&2
fi
# notices FOLDER [QT_VERSION]: the licence, where the source is, and the
# works of others, into a folder that becomes a zip's or the installer's.
notices() {
  cp "$root/LICENSE" "$1/LICENSE.txt"
  sed -e "s/@VERSION@/$project_version/g" -e "s/@COMMIT@/$commit/g" -e "s/@ARCHIVE@/$source_archive/g" \
    "$root/packaging/windows/SOURCE.txt.in" >"$1/SOURCE.txt"
  "$root/packaging/windows/third-party.sh" ${2:+--qt "$2"} >"$1/THIRD-PARTY.txt"
}
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
  stage=$out/$name/zip/tarnvold-cli-$version-$name
  rm -rf "$out/$name/zip" "$zipfile"
  mkdir -p "$stage/help"
  "$arch-w64-mingw32-strip" --strip-unneeded -o "$stage/tarnvold-cli.exe" "$exe"
  cp "$root/help/cli.htm" "$stage/help/"
  notices "$stage"
  (cd "$stage/.." && zip -q -X -r "$zipfile" "tarnvold-cli-$version-$name")
  echo "$zipfile: $(echo $imports)"
done

echo "Built tarnvold-cli.exe for win64 and win32 in $out, with the tests and verify_keystream."

# --- The window program (win64), against Qt built from Debian's source, and
# its zip: OUTDIR/win64-gui, OUTDIR/tarnvold-VERSION-win64.zip.  SKIP_GUI=1
# leaves it out.
build_window_program() {
  local qt gui version stage runtime found qm locale name
  qt=$("$root/scripts/build-qt-windows.sh")
  gui=$out/win64-gui
  echo "== win64 window program (Qt in $qt)"
  # The C++ runtime as DLLs, shared with Qt's (the toolchain file links
  # statically otherwise).
  "$qt/bin/qt-cmake" -S "$root" -B "$gui" -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS= -DTARNVOLD_WERROR=ON -DTARNVOLD_BUILD_BENCH=OFF \
    -DCMAKE_PREFIX_PATH="$out/googletest-win64/install" "${launcher[@]}" >/dev/null
  # With the window tests that run on Windows (scripts/test-windows.sh).
  cmake --build "$gui" -j"$jobs" --target tarnvold tarnvold_driven \
    ui_{startup,main_window,config_dialog,password_dialog,open_dir,help_about,program_start,translations,text}_test

  version=$(sed -n 's/^project(Tarnvold VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
  stage=$out/zip/tarnvold-$version-win64
  rm -rf "$out/zip" "$out/tarnvold-$version-win64.zip"
  mkdir -p "$stage"/{platforms,styles,imageformats,help,lang,translations}
  cp "$gui/src/ui/tarnvold.exe" "$stage/"
  cp "$out/win64/src/cli/tarnvold-cli.exe" "$stage/"
  cp "$qt"/bin/Qt6{Core,Gui,Widgets}.dll "$stage/"
  cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
  cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
  cp "$qt/plugins/imageformats/qico.dll" "$stage/imageformats/"
  for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    found=$(x86_64-w64-mingw32-g++-posix -print-file-name="$runtime")
    [[ -f $found ]] || found=/usr/x86_64-w64-mingw32/lib/$runtime
    cp "$found" "$stage/"
  done
  find "$stage" \( -name '*.exe' -o -name '*.dll' \) -print0 | xargs -0 x86_64-w64-mingw32-strip --strip-unneeded
  # Qt looks for its translations beside the program.
  printf '[Paths]\nPrefix = .\n' >"$stage/qt.conf"
  cp -r "$root/help/." "$stage/help/"
  cp "$root"/packaging/lang/*.tvl "$stage/lang/"
  cp "$gui"/translations/tarnvold_*.qm "$stage/translations/"
  # The toolkit's own texts (Yes, No, ...) in the same languages, from
  # Debian's copy for the same Qt version.
  for qm in "$gui"/translations/tarnvold_*.qm; do
    locale=${qm##*/tarnvold_}
    locale=${locale%.qm}
    for name in "qtbase_$locale.qm" "qtbase_${locale}_BR.qm"; do
      if [[ -f /usr/share/qt6/translations/$name ]]; then cp "/usr/share/qt6/translations/$name" "$stage/translations/"; fi
    done
  done
  cp "$qt/share/licenses/LGPL-3.0-only.txt" "$stage/Qt-LGPL-3.0.txt"
  local qt_version
  qt_version=$(cat "$qt/share/licenses/qt6-base-source-version")
  notices "$stage" "$qt_version"
  sed -e "s/@QT_VERSION@/$qt_version/g" -e "s/@QT_VERSION_URL@/${qt_version//+/%2B}/g" \
    "$root/packaging/windows/Qt-SOURCE.txt.in" >"$stage/Qt-SOURCE.txt"
  (cd "$out/zip" && zip -qr -X "../tarnvold-$version-win64.zip" "tarnvold-$version-win64")
  echo "Made $out/tarnvold-$version-win64.zip ($(stat -c %s "$out/tarnvold-$version-win64.zip") bytes)"
  build_installer "$stage" "$version"
}

# build_installer FOLDER VERSION: the installer of what FOLDER holds,
# OUTDIR/tarnvold-VERSION-win64.msi (packaging/windows/tarnvold.wxs says
# what it does).  wixl takes the files by relative paths.
build_installer() {
  local stage=$1 version=$2 work=$out/installer msi=$out/tarnvold-$2-win64.msi
  rm -rf "$work" "$msi"
  mkdir -p "$work"
  cp "$root/packaging/windows/tarnvold.wxs" "$root/packaging/windows/tarnvold.ico" "$work/"
  ln -s "$stage" "$work/files"
  (cd "$work" && find files/ -type f | LC_ALL=C sort |
    wixl-heat --prefix files/ --directory-ref INSTALLDIR --component-group ProgramFiles --var var.SourceDir \
      --win64 >files.wxs)
  (cd "$work" && wixl -a x64 -D SourceDir=files -D Version="$version" -D Win64=yes -D Icon=tarnvold.ico \
    -o "$msi" tarnvold.wxs files.wxs)
  echo "Made $msi ($(stat -c %s "$msi") bytes)"
}
if [[ "${SKIP_GUI:-}" != 1 ]]; then build_window_program; fi
