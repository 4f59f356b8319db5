#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end check of the Debian source package and its two binary
# packages, tarnvold-cli and tarnvold: build them twice with
# dpkg-buildpackage (the test suite in the first build) and compare, check
# them with lintian, install each alone into a scratch root with dpkg (and
# both into a third), check that the installed programs are hardened, carry
# neither the tests' switches nor the build folder and answer --help and
# --version without a window, validate the desktop entry, metainfo and MIME
# type, start the installed window program through its launcher under Xvfb
# in a session bus of its own, check that its window comes up and that its
# files land in the per-user data folder and nowhere else, start the
# launcher again to see it refresh what it shipped, and remove the packages
# again, leaving nothing behind.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${BUILD_DIR:-build}
# The version: project() in CMakeLists.txt is upstream's one source;
# debian/changelog adds the Debian revision, and NEWS starts with it.
upstream=$(sed -n 's/^project(Tarnvold VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
version=$(dpkg-parsechangelog -S Version)
release_date=$(date -u -d "@$(dpkg-parsechangelog -S Timestamp)" +%F)
[[ -n "$upstream" ]] || { echo "FAIL: no version in CMakeLists.txt"; exit 1; }
scratch=$(mktemp -d /tmp/tarnvold-package-XXXXXX)
app_pid=""; xvfb_pid=""
cleanup() {
  [[ -n "$app_pid" ]] && kill -- "-$app_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
[[ "$version" == "$upstream-"* ]] || fail "debian/changelog's $version is not of upstream $upstream"
[[ $(sed -n 1p NEWS) == "Tarnvold $upstream ($release_date)" ]] || fail "NEWS does not start with $upstream of $release_date"
grep -qF "set(TARNVOLD_RELEASE_DATE \"$release_date\")" CMakeLists.txt || fail "the release date is not debian/changelog's"

# The source package and both binary packages, as a distribution builds
# them, twice: once with the test suite, and once more in another folder,
# later and under another umask, without it.  The two must give the same
# packages bit for bit.  (The folders stay the same from run to run, so
# that ccache finds what it compiled before; dpkg-buildpackage's build
# changes HOME, hence the cache named.)
debs=$(realpath -m "$BUILD/debian")
rm -rf "$debs"
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
export CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)} CCACHE_NOHASHDIR=1
jobs="parallel=$(nproc)"
build_packages() { # OUT UMASK DEB_BUILD_OPTIONS
  local started=$SECONDS
  (umask "$2" && DEB_BUILD_OPTIONS="$3" scripts/build-deb.sh "$1" >"$scratch/build.log" 2>&1) ||
    { tail -n 80 "$scratch/build.log"; fail "dpkg-buildpackage in $1"; }
  echo "packages built in $1 ($3, umask $2): $((SECONDS - started)) s"
}
build_packages "$debs/first" 022 "$jobs"
grep -E '^(100% tests passed|[0-9]+% tests passed|The following tests did not run)|Not Run|Disabled' "$scratch/build.log" |
  sed 's/^/  /' || true
build_packages "$debs/again/second" 077 "nocheck $jobs"
for deb in "$debs"/first/*.deb "$debs"/first/*.ddeb; do
  [[ -e "$deb" ]] || continue
  cmp "$deb" "$debs/again/second/${deb##*/}" || fail "${deb##*/} differs between two builds"
done
echo "reproducible: the packages of both builds are the same"
# The unpacked trees and their builds go (half a gigabyte); the packages stay.
rm -rf "$debs/first/tarnvold-$upstream" "$debs/again/second/tarnvold-$upstream"

dsc="$debs/first/tarnvold_$version.dsc"
changes=$(ls "$debs"/first/tarnvold_"$version"_*.changes)
cli_deb=$(ls "$debs"/first/tarnvold-cli_"$version"_*.deb)
gui_deb=$(ls "$debs"/first/tarnvold_"$version"_*.deb)
for deb in "$cli_deb" "$gui_deb"; do
  echo "package: $deb"
  dpkg-deb --field "$deb" Package Version Depends Suggests | sed 's/^/  /'
done
# The command-line tool needs nothing from Qt or a window system.
if dpkg-deb --field "$cli_deb" Depends | grep -qiE 'qt|x11|xcb|libgl|libegl'; then
  fail "tarnvold-cli depends on the window system: $(dpkg-deb --field "$cli_deb" Depends)"
fi

# lintian, pedantic, on the source package, the .changes and both
# packages: no tag at all but those overridden, each override with its
# reason (debian/*.lintian-overrides).
lintian_status=0
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$dsc" "$changes" "$cli_deb" "$gui_deb" \
  >"$scratch/lintian.log" 2>&1 || lintian_status=$?
grep -v 'running with root privileges is not recommended' "$scratch/lintian.log" || true
((lintian_status == 0)) || fail "lintian reports the packages (above)"
echo "lintian: clean"

# dpkg on a scratch root with a database of its own.  The packages'
# dependencies are this machine's, so the root does without them.
as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(fakeroot)
scratch_dpkg() {
  local root=$1; shift
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
  touch "$root/var/lib/dpkg/status"
  PATH="$PATH:/usr/sbin:/sbin" "${as_root[@]}" dpkg --root="$root" --force-depends "$@" >"$scratch/dpkg.log" 2>&1 ||
    { cat "$scratch/dpkg.log"; fail "dpkg --root=$root $*"; }
}
# Everything left in a root besides dpkg's own database.
left_in() {
  find "$1" -mindepth 1 \( -path "$1/var" -o -path "$1/var/lib" -o -path "$1/var/lib/dpkg" -o -path "$1/var/lib/dpkg/*" \) \
    -prune -o -print
}

cli_root="$scratch/cli-root"; gui_root="$scratch/gui-root"
scratch_dpkg "$cli_root" --install "$cli_deb"
scratch_dpkg "$gui_root" --install "$gui_deb"
for f in usr/bin/tarnvold-cli usr/share/man/man1/tarnvold-cli.1.gz \
         usr/share/bash-completion/completions/tarnvold-cli usr/share/zsh/vendor-completions/_tarnvold-cli \
         usr/share/doc/tarnvold-cli/copyright usr/share/doc/tarnvold-cli/changelog.gz \
         usr/share/doc/tarnvold-cli/changelog.Debian.gz; do
  [[ -e "$cli_root/$f" ]] || fail "$f is not in tarnvold-cli"
done
for f in usr/bin/tarnvold usr/bin/tarnvold-launcher \
         usr/share/tarnvold/help/default.htm usr/share/applications/tarnvold.desktop \
         usr/share/icons/hicolor/32x32/apps/tarnvold.png usr/share/icons/hicolor/scalable/apps/tarnvold.svg \
         usr/share/mime/packages/tarnvold.xml usr/share/metainfo/org.example.Tarnvold.metainfo.xml \
         usr/share/man/man1/tarnvold.1.gz usr/share/man/man1/tarnvold-launcher.1.gz \
         usr/share/tarnvold/lang/deutsch.tvl usr/share/tarnvold/lang/russkij.tvl \
         usr/share/tarnvold/translations/tarnvold_de.qm \
         usr/share/doc/tarnvold/copyright usr/share/doc/tarnvold/changelog.gz usr/share/doc/tarnvold/changelog.Debian.gz; do
  [[ -e "$gui_root/$f" ]] || fail "$f is not in tarnvold"
done
[[ ! -e "$cli_root/usr/bin/tarnvold" && ! -e "$gui_root/usr/bin/tarnvold-cli" ]] || fail "a program in the other package"
cli="$cli_root/usr/bin/tarnvold-cli"
# No file holds the folder it was built in.
built_in=$(grep -rlF "$debs/" "$cli_root" "$gui_root" || true)
[[ -z "$built_in" ]] || fail "the build folder is named in: $built_in"

# The installed programs: hardened, and without the switches the tests
# drive the window program with.  (Control-flow protection is left out of
# hardening-check: every object of ours carries it, but Debian 12's C
# library start files do not, so the linker cannot mark the programs.)
for program in "$cli" "$gui_root/usr/bin/tarnvold"; do
  hardening-check --nocfprotection "$program" || fail "${program##*/} is not hardened"
  if strings -a "$program" | grep -q TARNVOLD_TEST; then fail "${program##*/} holds a test switch"; fi
done

desktop="$gui_root/usr/share/applications/tarnvold.desktop"
grep -q '^Exec=tarnvold-launcher %f$' "$desktop" || fail "the desktop entry does not pass the file"
grep -q '^MimeType=.*application/x-tarnvold-coded;' "$desktop" || fail "no MIME type in the desktop entry"
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$gui_root/usr/share/metainfo/org.example.Tarnvold.metainfo.xml"

# The manual pages render without a single warning; the launcher's is the
# program's.
for page in "$cli_root"/usr/share/man/man1/*.1.gz "$gui_root"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFOPT=-ww MANWIDTH=80 man -l "$page" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || { echo "$warnings"; fail "${page##*/} renders with warnings"; }
done
[[ $(readlink "$gui_root/usr/share/man/man1/tarnvold-launcher.1.gz") == tarnvold.1.gz ]] ||
  fail "tarnvold-launcher(1) is not tarnvold(1)"
# The completions load in their shells.
bash -c '. "$1" && complete -p tarnvold-cli >/dev/null' _ "$cli_root/usr/share/bash-completion/completions/tarnvold-cli" \
  || fail "bash completion"
zsh -n "$cli_root/usr/share/zsh/vendor-completions/_tarnvold-cli" || fail "zsh completion"

# The installed command-line tool works on its own.
: >"$scratch/empty"
printf 'ab\n' | "$cli" code -q "$scratch/empty" "$scratch/empty.cod"
[[ $(stat -c %s "$scratch/empty.cod") -eq 38 ]] || fail "tarnvold-cli"

# The MIME type from the package's definition: by the name, and by the
# contents for a coded file named otherwise.  (The database is built in a
# copy, so that the scratch root holds only the package's files.)
mkdir -p "$scratch/xdg/mime/packages"
cp "$gui_root/usr/share/mime/packages/tarnvold.xml" "$scratch/xdg/mime/packages/"
XDG_DATA_DIRS="$scratch/xdg:/usr/share" update-mime-database "$scratch/xdg/mime"
mime_type() {
  env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION XDG_DATA_DIRS="$scratch/xdg:/usr/share" xdg-mime query filetype "$1"
}
cp "$scratch/empty.cod" "$scratch/coded-data"
for f in "$scratch/empty.cod" "$scratch/coded-data"; do
  type=$(mime_type "$f")
  [[ "$type" == application/x-tarnvold-coded* ]] || fail "$f is of type '$type'"
done
printf 'plain text\n' > "$scratch/plain.cod.txt"
type=$(mime_type "$scratch/plain.cod.txt")
[[ "$type" != application/x-tarnvold-coded* ]] || fail "a text file taken for a coded file"

# What the packages say of their version: the programs, the manual pages,
# the first help page and the window (the release's first two numbers),
# the AppStream release and the changelogs.
gui="$gui_root/usr/bin/tarnvold"
[[ $("$cli" --version | sed -n 1p) == "tarnvold-cli $upstream" ]] || fail "tarnvold-cli --version"
for page in "$cli_root"/usr/share/man/man1/*.1.gz "$gui_root"/usr/share/man/man1/*.1.gz; do
  [[ $(zcat "$page" | grep '^\.TH') == *"\"$release_date\" \"Tarnvold $upstream\""* ]] ||
    fail "${page##*/} is not of version $upstream of $release_date"
done
grep -qF "<h1>Tarnvold ${upstream%.*}</h1>" "$gui_root/usr/share/tarnvold/help/default.htm" \
  || fail "the help page is not of version ${upstream%.*}"
grep -qF "<release version=\"$upstream\" date=\"$release_date\"/>" "$gui_root/usr/share/metainfo/org.example.Tarnvold.metainfo.xml" \
  || fail "the metainfo has no release $upstream of $release_date"
for root in "$cli_root" "$gui_root"; do
  package=$(basename "$root"/usr/share/doc/*)
  [[ $(zcat "$root/usr/share/doc/$package/changelog.Debian.gz" | sed -n 1p) == "tarnvold ($version) "* ]] ||
    fail "$package's changelog.Debian is not of version $version"
  zcmp -s "$root/usr/share/doc/$package/changelog.gz" NEWS || fail "$package's changelog is not NEWS"
done

# --help and --version answer on standard output without a screen, and
# leave no file behind, neither where they ran nor in the home folder; an
# unknown option is refused.
quiet="$scratch/quiet"
mkdir -p "$quiet/home" "$quiet/here"
in_quiet() { (cd "$quiet/here" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$quiet/home" "$@"); }
in_quiet "$gui" --help >"$scratch/help.txt" || fail "tarnvold --help exits with $?"
grep -q '^Usage: tarnvold ' "$scratch/help.txt" || fail "tarnvold --help: $(cat "$scratch/help.txt")"
[[ $(in_quiet "$gui" --version) == "tarnvold $upstream" ]] || fail "tarnvold --version"
status=0
in_quiet "$gui" --no-such-option 2>"$scratch/unknown.txt" || status=$?
((status == 2)) && grep -qF "unknown option '--no-such-option'" "$scratch/unknown.txt" ||
  fail "tarnvold --no-such-option: status $status, $(cat "$scratch/unknown.txt")"
left=$(find "$quiet" -mindepth 2)
[[ -z "$left" ]] || fail "--help or --version wrote: $left"

# Start the window program through its launcher, from an unrelated folder.
root="$gui_root"
home="$scratch/home"; elsewhere="$scratch/elsewhere"
mkdir -p "$home" "$elsewhere"
display=":$((100 + RANDOM % 400))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
# As a desktop starts it: inside a session bus of its own, so that the
# toolkit finds one and does not launch one of its own (which would write
# ~/.dbus where dbus-x11 is installed).  In a process group of its own, so
# that the bus goes with the program.
(cd "$elsewhere" && exec setsid env -u XDG_DATA_HOME -u DBUS_SESSION_BUS_ADDRESS HOME="$home" DISPLAY="$display" \
   QT_QPA_PLATFORM=xcb dbus-run-session -- "$root/usr/bin/tarnvold-launcher" >"$scratch/app.log" 2>&1) &
app_pid=$!

found=""
for _ in $(seq 1 60); do
  if DISPLAY="$display" xwininfo -root -tree 2>/dev/null | grep -qF "\"Tarnvold ${upstream%.*}\""; then found=yes; break; fi
  sleep 0.5
done
[[ -n "$found" ]] || { cat "$scratch/app.log"; fail "no window titled 'Tarnvold ${upstream%.*}'"; }

data="$home/.local/share/tarnvold"
for f in tarnvold_conf.cfg lang/english.tvl help/default.htm; do
  [[ -e "$data/$f" ]] || fail "$data/$f is missing"
done
for f in "$root"/usr/share/tarnvold/lang/*.tvl; do
  cmp -s "$f" "$data/lang/${f##*/}" || fail "${f##*/} not placed in $data/lang"
done
[[ $(stat -c %s "$data/tarnvold_conf.cfg") -eq 45 ]] || fail "configuration size"
if [[ -n "$(ls -A "$elsewhere")" ]]; then ls -A "$elsewhere"; fail "files written where the menu started it"; fi
# (Toolkit caches under ~/.cache are not ours; the program's own files are.)
extra=$(ls -A "$home" | grep -v -E '^\.(local|cache|config)$' || true)
[[ -z "$extra" ]] || fail "files written into the home folder: $extra"
kill -- "-$app_pid" 2>/dev/null || true
kill "$xvfb_pid" 2>/dev/null || true
wait "$app_pid" "$xvfb_pid" 2>/dev/null || true
app_pid=""; xvfb_pid=""

# A later start: an older shipped copy is replaced, a missing one placed
# again, and a file the user changed is left alone, among the language
# files and the help pages alike.  A relative XDG_DATA_HOME is ignored.
# (The launcher runs beside a stand-in program here, so no second window
# comes up.)
shipped="$root/usr/share/tarnvold"
as_older() { # FOLDER NAME: a copy placed by an earlier version
  printf 'old\r\n' >"$data/$1/$2"
  sed -i "s/^[0-9a-f]*  $2\$/$(sha256sum <"$data/$1/$2" | cut -d' ' -f1)  $2/" "$data/$1/.shipped.sha256"
}
as_older lang deutsch.tvl
as_older help cli.htm
printf 'mine\r\n' >>"$data/lang/francais.tvl"
printf 'mine\r\n' >>"$data/help/names.htm"
cp "$data/lang/francais.tvl" "$data/help/names.htm" "$scratch/"
rm "$data/lang/polski.tvl" "$data/help/coding.htm"
mkdir -p "$scratch/again/bin" "$scratch/again/cwd"
ln -s "$root/usr/share" "$scratch/again/share"
cp "$root/usr/bin/tarnvold-launcher" "$scratch/again/bin/"
printf '#!/bin/sh\nexit 0\n' >"$scratch/again/bin/tarnvold"; chmod +x "$scratch/again/bin/tarnvold"
(cd "$scratch/again/cwd" && XDG_DATA_HOME=relative HOME="$home" "$scratch/again/bin/tarnvold-launcher")
[[ -z "$(ls -A "$scratch/again/cwd")" ]] || fail "the launcher took a relative XDG_DATA_HOME"
for f in lang/deutsch.tvl lang/polski.tvl help/cli.htm help/coding.htm; do
  cmp -s "$data/$f" "$shipped/$f" || fail "$f not the shipped one after a later start"
done
cmp -s "$data/lang/francais.tvl" "$scratch/francais.tvl" || fail "the user's francais.tvl overwritten"
cmp -s "$data/help/names.htm" "$scratch/names.htm" || fail "the user's names.htm overwritten"

# Removed, each package leaves nothing behind; both install side by side
# and go as cleanly.
scratch_dpkg "$cli_root" --purge tarnvold-cli
scratch_dpkg "$gui_root" --purge tarnvold
both_root="$scratch/both-root"
scratch_dpkg "$both_root" --install "$cli_deb" "$gui_deb"
[[ -x "$both_root/usr/bin/tarnvold-cli" && -x "$both_root/usr/bin/tarnvold" ]] || fail "both packages together"
scratch_dpkg "$both_root" --purge tarnvold tarnvold-cli
for root in "$cli_root" "$gui_root" "$both_root"; do
  left=$(left_in "$root")
  [[ -z "$left" ]] || { echo "$left"; fail "removing the packages left files behind in ${root##*/}"; }
done

echo "package check passed: tarnvold-cli and tarnvold lintian-clean, installed alone and together and removed; window up, files in $data"
