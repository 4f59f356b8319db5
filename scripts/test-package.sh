#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end check of the Debian package: build it, unpack it into a scratch
# root, validate its desktop entry, metainfo and MIME type, start the
# installed program through its launcher under Xvfb, and check that its
# window comes up and that its files land in the per-user data folder and
# nowhere else.
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

(cd "$BUILD" && cpack -G DEB >/dev/null)
deb=$(ls -t "$BUILD"/tarnvold_*.deb | head -n1)
echo "package: $deb"
dpkg-deb --info "$deb" | grep -E "Package|Version|Depends" || true

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/tarnvold usr/bin/tarnvold-cli usr/bin/tarnvold-launcher \
         usr/share/tarnvold/help/default.htm usr/share/applications/tarnvold.desktop \
         usr/share/icons/hicolor/32x32/apps/tarnvold.png usr/share/icons/hicolor/scalable/apps/tarnvold.svg \
         usr/share/mime/packages/tarnvold.xml usr/share/metainfo/org.example.Tarnvold.metainfo.xml \
         usr/share/man/man1/tarnvold-cli.1.gz usr/share/man/man1/tarnvold.1.gz \
         usr/share/bash-completion/completions/tarnvold-cli usr/share/zsh/vendor-completions/_tarnvold-cli \
         usr/share/tarnvold/lang/deutsch.tvl usr/share/tarnvold/lang/russkij.tvl; do
  [[ -e "$root/$f" ]] || { echo "FAIL: $f is not in the package"; exit 1; }
done
desktop="$root/usr/share/applications/tarnvold.desktop"
grep -q '^Exec=tarnvold-launcher %f$' "$desktop" || { echo "FAIL: the desktop entry does not pass the file"; exit 1; }
grep -q '^MimeType=.*application/x-tarnvold-coded;' "$desktop" || { echo "FAIL: no MIME type in the desktop entry"; exit 1; }
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.Tarnvold.metainfo.xml"

# The manual pages render without a single warning.
for page in tarnvold tarnvold-cli; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFOPT=-ww MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || { echo "FAIL: $page(1) renders with warnings:"; echo "$warnings"; exit 1; }
done
# The completions load in their shells.
bash -c '. "$1" && complete -p tarnvold-cli >/dev/null' _ "$root/usr/share/bash-completion/completions/tarnvold-cli" \
  || { echo "FAIL: bash completion"; exit 1; }
zsh -n "$root/usr/share/zsh/vendor-completions/_tarnvold-cli" || { echo "FAIL: zsh completion"; exit 1; }

# The installed command-line tool works on its own.
: >"$scratch/empty"
printf 'ab\n' | "$root/usr/bin/tarnvold-cli" code -q "$scratch/empty" "$scratch/empty.cod"
[[ $(stat -c %s "$scratch/empty.cod") -eq 38 ]] || { echo "FAIL: tarnvold-cli"; exit 1; }

# The MIME type from the package's database: by the name, and by the
# contents for a coded file named otherwise.
XDG_DATA_DIRS="$root/usr/share:/usr/share" update-mime-database "$root/usr/share/mime"
cp "$scratch/empty.cod" "$scratch/coded-data"
for f in "$scratch/empty.cod" "$scratch/coded-data"; do
  type=$(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION XDG_DATA_DIRS="$root/usr/share:/usr/share" \
         xdg-mime query filetype "$f")
  [[ "$type" == application/x-tarnvold-coded* ]] || { echo "FAIL: $f is of type '$type'"; exit 1; }
done
printf 'plain text\n' > "$scratch/plain.cod.txt"
type=$(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION XDG_DATA_DIRS="$root/usr/share:/usr/share" \
       xdg-mime query filetype "$scratch/plain.cod.txt")
[[ "$type" != application/x-tarnvold-coded* ]] || { echo "FAIL: a text file taken for a coded file"; exit 1; }

# What the package says of its version: the command-line tool, the manual
# pages, the first help page and the AppStream release.
[[ $("$root/usr/bin/tarnvold-cli" --version) == "tarnvold-cli $version" ]] || { echo "FAIL: tarnvold-cli --version"; exit 1; }
for page in "$root"/usr/share/man/man1/*.1.gz; do
  [[ $(zcat "$page" | sed -n 1p) == *"\"Tarnvold $version\""* ]] || { echo "FAIL: ${page##*/} is not of version $version"; exit 1; }
done
grep -qF "<h1>Tarnvold $version</h1>" "$root/usr/share/tarnvold/help/default.htm" \
  || { echo "FAIL: the help page is not of version $version"; exit 1; }
grep -qF "<release version=\"$version.0\"" "$root/usr/share/metainfo/org.example.Tarnvold.metainfo.xml" \
  || { echo "FAIL: the metainfo has no release $version.0"; exit 1; }

# Start the window program through its launcher, from an unrelated folder.
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
[[ -n "$found" ]] || { echo "FAIL: no window titled 'Tarnvold $version'"; cat "$scratch/app.log"; exit 1; }

data="$home/.local/share/tarnvold"
for f in tarnvold_conf.cfg lang/english.tvl help/default.htm; do
  [[ -e "$data/$f" ]] || { echo "FAIL: $data/$f is missing"; exit 1; }
done
for f in "$root"/usr/share/tarnvold/lang/*.tvl; do
  cmp -s "$f" "$data/lang/${f##*/}" || { echo "FAIL: ${f##*/} not placed in $data/lang"; exit 1; }
done
[[ $(stat -c %s "$data/tarnvold_conf.cfg") -eq 45 ]] || { echo "FAIL: configuration size"; exit 1; }
if [[ -n "$(ls -A "$elsewhere")" ]]; then echo "FAIL: files written where the menu started it"; ls -A "$elsewhere"; exit 1; fi
# (Toolkit caches under ~/.cache are not ours; the program's own files are.)
extra=$(ls -A "$home" | grep -v -E '^\.(local|cache|config)$' || true)
if [[ -n "$extra" ]]; then echo "FAIL: files written into the home folder: $extra"; exit 1; fi

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
cmp -s "$lang/deutsch.tvl" "$root/usr/share/tarnvold/lang/deutsch.tvl" || { echo "FAIL: older deutsch.tvl kept"; exit 1; }
cmp -s "$lang/polski.tvl" "$root/usr/share/tarnvold/lang/polski.tvl" || { echo "FAIL: polski.tvl not placed again"; exit 1; }
cmp -s "$lang/francais.tvl" "$scratch/mine.tvl" || { echo "FAIL: the user's francais.tvl overwritten"; exit 1; }

echo "package check passed: window up, files in $data"
