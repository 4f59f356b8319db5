#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end check of the two Debian packages, tarnvold-cli and tarnvold:
# build them, check them with lintian, install each alone into a scratch
# root with dpkg (and both into a third), check that the installed programs
# are hardened and carry none of the tests' switches, validate the desktop
# entry, metainfo and MIME type, start the installed window program through
# its launcher under Xvfb, check that its window comes up and that its files
# land in the per-user data folder and nowhere else, and remove the packages
# again, leaving nothing behind.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${BUILD_DIR:-build}
# The program's version: project() in CMakeLists.txt is its one source.
version=$(sed -n 's/^project(Tarnvold VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[[ -n "$version" ]] || { echo "FAIL: no version in CMakeLists.txt"; exit 1; }
scratch=$(mktemp -d /tmp/tarnvold-package-XXXXXX)
app_pid=""; xvfb_pid=""
cleanup() {
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

rm -f "$BUILD"/tarnvold_*.deb "$BUILD"/tarnvold-cli_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
cli_deb=$(ls "$BUILD"/tarnvold-cli_"$version".0_*.deb)
gui_deb=$(ls "$BUILD"/tarnvold_"$version".0_*.deb)
for deb in "$cli_deb" "$gui_deb"; do
  echo "package: $deb"
  dpkg-deb --field "$deb" Package Version Depends Suggests | sed 's/^/  /'
done
# The command-line tool needs nothing from Qt or a window system.
if dpkg-deb --field "$cli_deb" Depends | grep -qiE 'qt|x11|xcb|libgl|libegl'; then
  fail "tarnvold-cli depends on the window system: $(dpkg-deb --field "$cli_deb" Depends)"
fi

# lintian, pedantic: no tag at all but those the packages override, each
# override with its reason (/usr/share/lintian/overrides).
lintian_status=0
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$cli_deb" "$gui_deb" \
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
         usr/share/doc/tarnvold-cli/copyright usr/share/doc/tarnvold-cli/changelog.gz; do
  [[ -e "$cli_root/$f" ]] || fail "$f is not in tarnvold-cli"
done
for f in usr/bin/tarnvold usr/bin/tarnvold-launcher \
         usr/share/tarnvold/help/default.htm usr/share/applications/tarnvold.desktop \
         usr/share/icons/hicolor/32x32/apps/tarnvold.png usr/share/icons/hicolor/scalable/apps/tarnvold.svg \
         usr/share/mime/packages/tarnvold.xml usr/share/metainfo/org.example.Tarnvold.metainfo.xml \
         usr/share/man/man1/tarnvold.1.gz usr/share/man/man1/tarnvold-launcher.1.gz \
         usr/share/tarnvold/lang/deutsch.tvl usr/share/tarnvold/lang/russkij.tvl \
         usr/share/doc/tarnvold/copyright usr/share/doc/tarnvold/changelog.gz; do
  [[ -e "$gui_root/$f" ]] || fail "$f is not in tarnvold"
done
[[ ! -e "$cli_root/usr/bin/tarnvold" && ! -e "$gui_root/usr/bin/tarnvold-cli" ]] || fail "a program in the other package"
cli="$cli_root/usr/bin/tarnvold-cli"

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

# What the packages say of their version: the command-line tool, the manual
# pages, the first help page, the AppStream release and the changelogs.
[[ $("$cli" --version) == "tarnvold-cli $version" ]] || fail "tarnvold-cli --version"
for page in "$cli_root"/usr/share/man/man1/*.1.gz "$gui_root"/usr/share/man/man1/*.1.gz; do
  [[ $(zcat "$page" | sed -n 1p) == *"\"Tarnvold $version\""* ]] || fail "${page##*/} is not of version $version"
done
grep -qF "<h1>Tarnvold $version</h1>" "$gui_root/usr/share/tarnvold/help/default.htm" \
  || fail "the help page is not of version $version"
grep -qF "<release version=\"$version.0\"" "$gui_root/usr/share/metainfo/org.example.Tarnvold.metainfo.xml" \
  || fail "the metainfo has no release $version.0"
for root in "$cli_root" "$gui_root"; do
  for log in "$root"/usr/share/doc/*/changelog.gz; do
    [[ $(zcat "$log" | sed -n 1p) == "tarnvold ($version.0) "* ]] || fail "$log is not of version $version.0"
  done
done

# Start the window program through its launcher, from an unrelated folder.
root="$gui_root"
home="$scratch/home"; elsewhere="$scratch/elsewhere"
mkdir -p "$home" "$elsewhere"
display=":$((100 + RANDOM % 400))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
(cd "$elsewhere" && env -u XDG_DATA_HOME HOME="$home" DISPLAY="$display" QT_QPA_PLATFORM=xcb \
   "$root/usr/bin/tarnvold-launcher" >"$scratch/app.log" 2>&1) &
app_pid=$!

found=""
for _ in $(seq 1 60); do
  if DISPLAY="$display" xwininfo -root -tree 2>/dev/null | grep -qF "\"Tarnvold $version\""; then found=yes; break; fi
  sleep 0.5
done
[[ -n "$found" ]] || { cat "$scratch/app.log"; fail "no window titled 'Tarnvold $version'"; }

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
kill "$app_pid" "$xvfb_pid" 2>/dev/null || true
wait "$app_pid" "$xvfb_pid" 2>/dev/null || true
app_pid=""; xvfb_pid=""

# A later start: an older shipped copy is replaced, a missing one placed
# again, and a file the user changed is left alone.  (The launcher runs
# beside a stand-in program here, so no second window comes up.)
lang="$data/lang"
printf 'old\r\n' >"$lang/deutsch.tvl"
sed -i "s/^[0-9a-f]*  deutsch.tvl\$/$(sha256sum <"$lang/deutsch.tvl" | cut -d' ' -f1)  deutsch.tvl/" "$lang/.shipped.sha256"
printf 'mine\r\n' >>"$lang/francais.tvl"
cp "$lang/francais.tvl" "$scratch/mine.tvl"
rm "$lang/polski.tvl"
mkdir -p "$scratch/again/bin"
ln -s "$root/usr/share" "$scratch/again/share"
cp "$root/usr/bin/tarnvold-launcher" "$scratch/again/bin/"
printf '#!/bin/sh\nexit 0\n' >"$scratch/again/bin/tarnvold"; chmod +x "$scratch/again/bin/tarnvold"
env -u XDG_DATA_HOME HOME="$home" "$scratch/again/bin/tarnvold-launcher"
cmp -s "$lang/deutsch.tvl" "$root/usr/share/tarnvold/lang/deutsch.tvl" || fail "older deutsch.tvl kept"
cmp -s "$lang/polski.tvl" "$root/usr/share/tarnvold/lang/polski.tvl" || fail "polski.tvl not placed again"
cmp -s "$lang/francais.tvl" "$scratch/mine.tvl" || fail "the user's francais.tvl overwritten"

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
