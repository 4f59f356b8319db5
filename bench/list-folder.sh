#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window program started on a folder of many entries: how long until its
# file list shows them all, and how long the window went without answering
# meanwhile.  Folders of 2,000, 10,000 and 100,000 empty files with a few
# kinds of names (.dat, .txt, .png, .pdf, none) on tmpfs; the window program
# is bench/list_folder (see its source) under Xvfb.  Medians of RUNS runs.
#
#   bench/list-folder.sh [BUILD_DIR [RUNS]]      defaults: build 3
#
# One line per folder:
#   N entries: listed S s, longest stall T s (medians of RUNS)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/tree_lib.sh"

build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
prog=$build/bench/list_folder
[ -x "$prog" ] || { echo "build list_folder in $build first" >&2; exit 2; }
command -v xvfb-run > /dev/null || { echo "xvfb-run is needed (apt-get install xvfb xauth)" >&2; exit 2; }

work=$(make_work)
trap 'rm -rf "$work"' EXIT
mkdir "$work/app"
echo "$(nproc) cores, $(load_line) at start"
for n in 2000 10000 100000; do
    dir=$work/flat$n
    mkdir "$dir"
    (cd "$dir" && seq -f 'f%06g' 0 $((n - 1)) | awk '{ e = NR % 5; print $0 (e == 0 ? ".dat" : e == 1 ? ".txt" : e == 2 ? ".png" : e == 3 ? ".pdf" : "") }' | xargs touch)
    : > "$work/times"
    for ((i = 0; i < runs; i++)); do
        (cd "$work/app" && xvfb-run -a -s "-screen 0 1280x1024x24" "$prog" "$dir") > "$work/out" 2> "$work/err" ||
            { cat "$work/err" >&2; echo "list-folder: the window program failed on $n entries" >&2; exit 1; }
        awk '/^entries / { print $4, $8 }' "$work/out" >> "$work/times"
    done
    printf '%d entries: listed %.3f s, longest stall %.3f s (medians of %d)\n' "$n" \
        "$(awk '{ print $1 }' "$work/times" | median)" "$(awk '{ print $2 }' "$work/times" | median)" "$runs"
    rm -rf "$dir"
done
echo "$(load_line) at end"
