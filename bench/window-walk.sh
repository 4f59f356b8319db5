#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window program's folder commands on a tree of many small files: the
# same 2,000 random files of 4 KiB in 20 folders as bench/tree.sh, coded
# through File > Code > Directory and decoded through File > Decode >
# Directory of the real window program under Xvfb, against
# `tarnvold-cli code-dir` and `decode-dir` on the same tree.
#
# The window is driven by the tests' build of the program, tarnvold_driven
# (TARNVOLD_TEST_DRIVE, see tests/ui/driven_program.cpp): it triggers the two menu entries and answers the
# folder chooser and the password dialog through their own controls; every
# box is answered by TARNVOLD_TEST_BOXES=yes.  A window time runs from the
# menu entry to the command's return (the count, the dialogs, the walk and
# the completion box); a CLI time is the whole process.  The processor
# times (the window's from the driver, the CLI's from /usr/bin/time, package
# "time") are printed too: on a busy machine they say more than the wall
# times.  Medians of RUNS
# runs each, every run into fresh destinations; the decoded trees of both
# are checked against the original.
#
#   bench/window-walk.sh [BUILD_DIR [RUNS]]      defaults: build 5
#
# The last line is
#   window code S s, cli code S s, ratio R; window decode S s, cli decode S s, ratio R
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/tree_lib.sh"

build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
gui=$build/tests/ui/tarnvold_driven
cli=$build/src/cli/tarnvold-cli
[ -x "$gui" ] && [ -x "$cli" ] || { echo "build tarnvold_driven (with the tests) and tarnvold-cli in $build first" >&2; exit 2; }
command -v xvfb-run > /dev/null || { echo "xvfb-run is needed (apt-get install xvfb xauth)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (apt-get install time)" >&2; exit 2; }

work=$(make_work)
trap 'rm -rf "$work"' EXIT
src=$work/src
make_tree "$src" 2000 20
printf 'xx\n' > "$work/password"
# The window program writes its configuration and language files into its
# current directory.
mkdir "$work/app"

fail() { echo "window-walk: $*" >&2; exit 1; }

echo "$(nproc) cores, $(load_line) at start"

# One window run per timed run (and one untimed run first): code src into
# wcoded, decode wcoded into wdecoded, in one program start.
: > "$work/window.times"
for ((i = 0; i <= runs; i++)); do
    rm -rf "$work/wcoded" "$work/wdecoded"
    mkdir "$work/wcoded" "$work/wdecoded"
    printf 'code-dir\t%s\t%s\txx\ndecode-dir\t%s\t%s\txx\n' "$src" "$work/wcoded" "$work/wcoded" "$work/wdecoded" > "$work/drive"
    (cd "$work/app" && TARNVOLD_TEST_BOXES=yes TARNVOLD_TEST_DRIVE="$work/drive" \
        xvfb-run -a -s "-screen 0 1280x1024x24" "$gui" > "$work/out" 2> "$work/err") ||
        { cat "$work/err" >&2; fail "the window program failed"; }
    grep -q '^box notice: Coding finished$' "$work/err" || fail "no \"Coding finished\" box"
    grep -q '^box notice: Decoding finished$' "$work/err" || fail "no \"Decoding finished\" box"
    if grep -v -e '^box notice: Coding finished$' -e '^box notice: Decoding finished$' "$work/err" | grep -q '^box '; then
        grep '^box ' "$work/err" >&2; fail "unexpected boxes"
    fi
    diff -r -q "$src" "$work/wdecoded" > /dev/null || fail "the window's decoded tree differs from the original"
    [ "$(find "$work/wcoded" -type f | wc -l)" -eq 2000 ] || fail "the window did not code 2,000 files"
    ((i == 0)) || awk '/^drive / { printf "%s %s %s\n", $2, $3, $6 }' "$work/out" >> "$work/window.times"
done

# The CLI, the same number of runs.
: > "$work/cli.times"
for ((i = 0; i <= runs; i++)); do
    rm -rf "$work/ccoded" "$work/cdecoded"
    mkdir "$work/ccoded" "$work/cdecoded"
    t0=$(now)
    /usr/bin/time -f '%U %S' -o "$work/cpu1" "$cli" code-dir -q --password-file "$work/password" "$src" "$work/ccoded" > /dev/null
    t1=$(now)
    /usr/bin/time -f '%U %S' -o "$work/cpu2" "$cli" decode-dir -q --password-file "$work/password" "$work/ccoded" "$work/cdecoded" > /dev/null
    t2=$(now)
    diff -r -q "$src" "$work/cdecoded" > /dev/null || fail "the CLI's decoded tree differs from the original"
    ((i == 0)) || awk -v a="$t0" -v b="$t1" -v c="$t2" -v p="$(cat "$work/cpu1")" -v q="$(cat "$work/cpu2")" 'BEGIN {
        split(p, x, " "); split(q, y, " ")
        printf "code-dir %.6f %.2f\ndecode-dir %.6f %.2f\n", b - a, x[1] + x[2], c - b, y[1] + y[2] }' >> "$work/cli.times"
done

# pick COMMAND FILE [COLUMN]: the median of a command's wall (2) or
# processor (3) times.
pick() { awk -v k="$1" -v c="${3:-2}" '$1 == k { print $c }' "$2" | median; }
wc_s=$(pick code-dir "$work/window.times")
wd_s=$(pick decode-dir "$work/window.times")
cc_s=$(pick code-dir "$work/cli.times")
cd_s=$(pick decode-dir "$work/cli.times")
echo "2,000 files of 4 KiB in 20 folders; median of $runs runs; decoded trees equal the original: yes"
printf '  window runs, wall s: %s\n' "$(awk '{ printf "%s %.3f  ", $1, $2 }' "$work/window.times")"
printf '  cli runs, wall s:    %s\n' "$(awk '{ printf "%s %.3f  ", $1, $2 }' "$work/cli.times")"
printf '  processor time (medians): window code %.3f s, cli code %.3f s; window decode %.3f s, cli decode %.3f s\n' \
    "$(pick code-dir "$work/window.times" 3)" "$(pick code-dir "$work/cli.times" 3)" \
    "$(pick decode-dir "$work/window.times" 3)" "$(pick decode-dir "$work/cli.times" 3)"
echo "$(load_line) at end (goal: window at most 2 x cli)"
awk -v wc="$wc_s" -v cc="$cc_s" -v wd="$wd_s" -v cd="$cd_s" 'BEGIN {
    printf "window code %.3f s, cli code %.3f s, ratio %.2f; window decode %.3f s, cli decode %.3f s, ratio %.2f\n", wc, cc, wc / cc, wd, cd, wd / cd
}'
