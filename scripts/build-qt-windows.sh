#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Qt's base module (Core, Gui, Widgets, Test and the plugins the
# window program needs) for Windows x86-64 from Debian's own qt6-base
# source, once, into a cache folder outside the clone:
#   scripts/build-qt-windows.sh            prints the installed Qt's folder
# The folder is ${TARNVOLD_CACHE:-/var/cache/tarnvold}/qt6-windows-KEY, where
# KEY names the qt6-base source version, the mingw-w64 compiler's version
# and this script's hash: a second run with the same key finds it complete
# and does nothing.  The source is the one of the host's Qt, whose tools
# (moc, rcc, uic) the cross build uses.  Debian's sources are reached with
# a private apt configuration (own source list, package lists and cache),
# derived from the system's configured entries, which stay untouched.
# Logs go to the build folder; only the last line on standard output is
# the installed folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
self="$root/scripts/build-qt-windows.sh"

"$root/scripts/install-deps.sh" --windows --qt-windows >&2

triple=x86_64-w64-mingw32
qt_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
gcc_version=$("$triple-g++-posix" -dumpfullversion)
gcc_package=$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)
script_hash=$(sha256sum "$self" | cut -c1-12)
key="${qt_version//[^A-Za-z0-9.+-]/_}-gcc${gcc_version}-${gcc_package//[^A-Za-z0-9.+-]/_}-$script_hash"
cache=${TARNVOLD_CACHE:-/var/cache/tarnvold}
dest="$cache/qt6-windows-$key"
prefix="$dest/install"

if [[ -f $dest/complete ]]; then
  echo "Qt for Windows already built: $prefix" >&2
  echo "$prefix"
  exit 0
fi

work="$dest/work"
rm -rf "$dest"
mkdir -p "$work"
log="$dest/build.log"
echo "Building Qt $qt_version for Windows x86-64 in $dest (log: $log)" >&2
start=$(date +%s)

# --- source: apt with a private configuration -------------------------------
apt_dir="$work/apt"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
touch "$apt_dir/sources.list"
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
# Every enabled entry of the system that serves this release, as deb-src.
{
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f $f ]] || continue
    sed -n -E "s/^[[:space:]]*deb[[:space:]]+(.*[[:space:]]$codename([[:space:]].*)?)$/deb-src \1/p" "$f"
  done
} >"$apt_dir/sources.list"
for f in /etc/apt/sources.list.d/*.sources; do
  [[ -f $f ]] || continue
  # deb822 stanzas, separated by blank lines: keep those naming this
  # release among their suites and not disabled, with Types: deb-src.
  awk -v codename="$codename" '
    function flush() {
      if (stanza != "" && serves && !disabled) printf "%s\n", stanza
      stanza = ""; serves = 0; disabled = 0
    }
    /^[[:space:]]*$/ { flush(); next }
    /^#/ { next }
    /^Types:/ { stanza = stanza "Types: deb-src\n"; next }
    /^Enabled:[[:space:]]*no/ { disabled = 1 }
    /^Suites:/ { n = split($0, s, /[[:space:]]+/); for (i = 2; i <= n; i++) if (s[i] == codename) serves = 1 }
    { stanza = stanza $0 "\n" }
    END { flush() }
  ' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
  [[ -s $apt_dir/sources.list.d/$(basename "$f") ]] || rm "$apt_dir/sources.list.d/$(basename "$f")"
done
if ! grep -qsE '^(deb-src|Types: deb-src)' "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*; then
  echo "No apt entry for $codename found in /etc/apt to derive a source entry from." >&2
  exit 1
fi
apt_options=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=root"
)
echo "== sources" >&2
apt-get "${apt_options[@]}" -q update >>"$log" 2>&1
(cd "$work" && apt-get "${apt_options[@]}" -q --download-only source "qt6-base=$qt_version" >>"$log" 2>&1)
dsc=$(ls "$work"/qt6-base_*.dsc)
dpkg-source -x "$dsc" "$work/src" >>"$log" 2>&1

# The licence of what is shipped from here, and where its source comes from.
licenses="$prefix/share/licenses"
mkdir -p "$licenses"
if [[ -f $work/src/LICENSES/LGPL-3.0-only.txt ]]; then
  cp "$work/src/LICENSES/LGPL-3.0-only.txt" "$work/src/LICENSES/GPL-3.0-only.txt" "$licenses/"
else
  cp "$work/src/LICENSE.LGPL3" "$licenses/LGPL-3.0-only.txt"
  cp "$work/src/LICENSE.GPL3" "$licenses/GPL-3.0-only.txt"
fi
echo "$qt_version" >"$licenses/qt6-base-source-version"

# --- toolchain ---------------------------------------------------------------
cat >"$work/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $triple-gcc-posix)
set(CMAKE_CXX_COMPILER $triple-g++-posix)
set(CMAKE_RC_COMPILER $triple-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$triple)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

# --- configure, build, install ----------------------------------------------
launcher=()
# Paths relative to the cache folder, so a rebuild under another key finds
# the objects compiled before.
export CCACHE_BASEDIR="$cache"
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
features=(
  # Only what the window program and its tests use.
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=ON -DFEATURE_testlib=ON
  # Libraries from Qt's own source tree: none is packaged for mingw-w64.
  -DFEATURE_system_png=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
  # FreeType adds the offscreen platform, which the window tests use.
  -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF
  -DFEATURE_style_fusion=ON -DFEATURE_style_windows=ON -DFEATURE_style_windowsvista=ON
  # Debian's source comes without the tablet header.
  -DFEATURE_tabletevent=OFF
  # No OpenGL at all (as -no-opengl): otherwise the platform plugin does
  # not compile.
  -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF
  # Without these two, qwindows.dll misses its DirectWrite font database.
  -DFEATURE_directwrite3=OFF -DFEATURE_direct2d=OFF
)
echo "== configure" >&2
cmake -S "$work/src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  "${features[@]}" "${launcher[@]}" >>"$log" 2>&1
echo "== build" >&2
cmake --build "$work/build" -j"${JOBS:-2}" >>"$log" 2>&1
cmake --install "$work/build" >>"$log" 2>&1

rm -rf "$work"
echo "$key $(($(date +%s) - start)) s" >"$dest/complete"
echo "Qt for Windows built in $(($(date +%s) - start)) s: $prefix" >&2
echo "$prefix"
