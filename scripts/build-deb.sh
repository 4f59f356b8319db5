#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian packages tarnvold and tarnvold-cli from source, as a
# distribution builds them: the upstream tarball from this tree's files
# (debian/ and untracked files left out; the names sorted, the times those
# of the last commit), unpacked beside it with debian/ added, and
# dpkg-buildpackage -us -uc there.  The source package (.orig.tar.xz,
# .debian.tar.xz, .dsc), the binary packages and the .changes land in OUT
# (default: the folder above the project's).  Further arguments go to
# dpkg-buildpackage.
#   scripts/build-deb.sh [OUT [DPKG-BUILDPACKAGE-ARGUMENT]...]
set -euo pipefail
cd "$(dirname "$0")/.."

out=$(realpath -m "${1:-..}")
shift $(($# > 0 ? 1 : 0))
version=$(dpkg-parsechangelog -S Version)
upstream=${version%-*}
tree="$out/tarnvold-$upstream"
orig="$out/tarnvold_$upstream.orig.tar.xz"
mkdir -p "$out"
rm -rf "$tree"

# The tracked and the new files as they are in the tree, so that what is
# built is what is checked out, edits included.
files() {
  git ls-files -z --cached --others --exclude-standard | while IFS= read -r -d '' f; do
    [[ -e "$f" || -L "$f" ]] && printf '%s\0' "$f"
  done
}
when=$(git log -1 --format=%ct)
tar_sorted() {
  tar --null --no-recursion --sort=name --mtime="@$when" --owner=0 --group=0 --numeric-owner \
      --mode=u+rw,go=rX "$@"
}
files | grep -zv '^debian/' |
  tar_sorted --transform="s|^|tarnvold-$upstream/|" -cf - -T - | xz -6 -T1 >"$orig.new"
# An upstream tarball already there for this version stays unless it
# differs: dpkg-source compares it with the unpacked tree.
if [[ -e "$orig" ]] && cmp -s "$orig" "$orig.new"; then rm "$orig.new"; else mv "$orig.new" "$orig"; fi
tar -xJf "$orig" -C "$out"
files | grep -z '^debian/' | tar_sorted -cf - -T - | tar -xf - -C "$tree"

cd "$tree"
dpkg-buildpackage -us -uc "$@"
