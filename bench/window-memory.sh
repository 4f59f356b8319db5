#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak memory of the window program over a folder run of 100,000 empty files
# in 100 folders on tmpfs (File > Code > Directory, driven as in
# bench/window-walk.sh), against the same program started and ended at once
# (the idle window); the log pane keeps a bounded number of lines, so the
# run should stay within 64 MB above the idle window.
#
#   bench/window-memory.sh [BUILD_DIR [FILES]]      defaults: build 100000
#
# The last line is
#   idle N KB, run of F files N KB, above idle N KB (goal 65536 KB): yes|no
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/tree_lib.sh"

build=$(cd "${1:-build}" && pwd)
files=${2:-100000}
gui=$build/tests/ui/tarnvold_driven
[ -x "$gui" ] || { echo "build tarnvold_driven (with the tests) in $build first" >&2; exit 2; }
command -v xvfb-run > /dev/null || { echo "xvfb-run is needed (apt-get install xvfb xauth)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (apt-get install time)" >&2; exit 2; }

work=$(make_work)
trap 'rm -rf "$work"' EXIT
per=$((files / 100))
for ((i = 0; i < 100; i++)); do
    sub=$(printf '%s/src/d%02d' "$work" "$i")
    mkdir -p "$sub"
    (cd "$sub" && seq -f 'f%06g.dat' 0 $((per - 1)) | xargs touch)
done
mkdir "$work/app" "$work/coded"
printf 'code-dir\t%s\t%s\txx\n' "$work/src" "$work/coded" > "$work/drive"

# peak_kb ENV...: the window program's peak resident size under Xvfb.
peak_kb() {
    (cd "$work/app" && env "$@" TARNVOLD_TEST_BOXES=yes xvfb-run -a -s "-screen 0 1280x1024x24" \
        /usr/bin/time -f '%M' -o "$work/peak" "$gui" > "$work/out" 2> "$work/err") ||
        { cat "$work/err" >&2; echo "window-memory: the window program failed" >&2; exit 1; }
    cat "$work/peak"
}

idle=$(peak_kb TARNVOLD_TEST_QUIT=1)
run=$(peak_kb TARNVOLD_TEST_DRIVE="$work/drive")
[ "$(find "$work/coded" -type f | wc -l)" -eq "$files" ] || { echo "window-memory: not every file was coded" >&2; exit 1; }
grep '^drive ' "$work/out" || true
above=$((run - idle))
ok=no
((above <= 65536)) && ok=yes
echo "idle $idle KB, run of $files files $run KB, above idle $above KB (goal 65536 KB): $ok"
