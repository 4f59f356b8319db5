#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Trees of many small files: 2,000 random files of 4 KiB in 20 folders on
# tmpfs, copied with `cp -r`, coded with `tarnvold-cli code-dir` and decoded
# with `tarnvold-cli decode-dir` (password file), each the median of RUNS
# runs after one untimed run, every run into a fresh destination.  Prints the
# medians and their ratios to `cp -r`, and checks that the decoded tree
# equals the original.
#
# Then the same with 10,000 files (500 per folder): peak memory of one
# code-dir and one decode-dir run (/usr/bin/time -v, package "time") and the
# time per file against the 2,000-file tree, to show that memory stays flat
# and time grows linearly.
#
# Last, a 2,000-file tree on a disk (TREE_DISK, default /var/tmp), where
# code-dir and decode-dir, which put their outputs on disk before they end,
# are timed against `cp -r` followed by `sync`.
#
#   bench/tree.sh [BUILD_DIR [RUNS]]      defaults: build 7
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/tree_lib.sh"

build=${1:-build}
runs=${2:-7}
cli=$build/src/cli/tarnvold-cli
[ -x "$cli" ] || { echo "no $cli: build the project first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (apt-get install time)" >&2; exit 2; }

work=$(make_work)
trap 'rm -rf "$work"' EXIT
printf 'xx\n' > "$work/password"

# time_runs N DEST COMMAND...: one untimed run, then N timed ones, each into
# a fresh DEST (removed before and after, untimed); prints the times.
time_runs() {
    local n=$1 dest=$2; shift 2
    local i t0 t1
    for ((i = 0; i <= n; i++)); do
        rm -rf "$dest"
        case $1 in cp) ;; *) mkdir "$dest" ;; esac
        t0=$(now)
        "$@" > /dev/null
        t1=$(now)
        ((i == 0)) || awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", b - a }'
    done
}

# measure FILES N: medians of cp -r, code-dir and decode-dir on a fresh tree
# of FILES files; sets cp_s, code_s, decode_s and checks the round trip.
measure() {
    local files=$1 n=$2
    local src=$work/src$files coded=$work/coded$files
    make_tree "$src" "$files" 20
    cp_s=$(time_runs "$n" "$work/copy" cp -r "$src" "$work/copy" | median)
    code_s=$(time_runs "$n" "$coded" "$cli" code-dir -q --password-file "$work/password" "$src" "$coded" | median)
    # The coded tree of the last run stays for decoding.
    decode_s=$(time_runs "$n" "$work/decoded" "$cli" decode-dir -q --password-file "$work/password" "$coded" "$work/decoded" | median)
    rm -rf "$work/decoded" && mkdir "$work/decoded"
    "$cli" decode-dir -q --password-file "$work/password" "$coded" "$work/decoded" > /dev/null
    if diff -r -q "$src" "$work/decoded" > /dev/null; then same=yes; else same=no; fi
    rm -rf "$work/copy" "$work/decoded"
}

# peak_kb COMMAND...: peak resident memory of one run, in KB.
peak_kb() {
    { /usr/bin/time -v "$@" > /dev/null; } 2>&1 | awk -F': ' '/Maximum resident/ { print $2 }'
}

echo "$(nproc) cores, $(load_line) at start"
measure 2000 "$runs"
same_small=$same
printf '2,000 files of 4 KiB in 20 folders on %s; median of %d runs\n' "$(df --output=fstype "$work" | tail -1)" "$runs"
printf '  %-28s %8.3f s\n' "cp -r" "$cp_s"
printf '  %-28s %8.3f s   %5.2f x cp -r   (target: at most 2)\n' "tarnvold-cli code-dir" "$code_s" \
    "$(awk -v a="$code_s" -v b="$cp_s" 'BEGIN { print a / b }')"
printf '  %-28s %8.3f s   %5.2f x cp -r   (target: at most 2)\n' "tarnvold-cli decode-dir" "$decode_s" \
    "$(awk -v a="$decode_s" -v b="$cp_s" 'BEGIN { print a / b }')"
echo "  decoded tree equals the original: $same_small"
code_small=$code_s decode_small=$decode_s
rm -rf "$work/src2000" "$work/coded2000"

big_runs=$(((runs + 1) / 2))
((big_runs >= 3)) || big_runs=3
measure 10000 "$big_runs"
same_big=$same
src=$work/src10000 coded=$work/coded10000
rm -rf "$work/m" && mkdir "$work/m"
code_kb=$(peak_kb "$cli" code-dir -q --password-file "$work/password" "$src" "$work/m")
rm -rf "$work/d" && mkdir "$work/d"
decode_kb=$(peak_kb "$cli" decode-dir -q --password-file "$work/password" "$coded" "$work/d")
printf '10,000 files of 4 KiB in 20 folders; median of %d runs\n' "$big_runs"
printf '  %-28s %8.3f s\n' "cp -r" "$cp_s"
awk -v c="$code_s" -v d="$decode_s" -v cs="$code_small" -v ds="$decode_small" -v cp="$cp_s" 'BEGIN {
    printf "  %-28s %8.3f s   %5.2f x cp -r   %6.1f us per file (2,000 files: %6.1f us)\n", "tarnvold-cli code-dir", c, c / cp, c / 10000 * 1e6, cs / 2000 * 1e6
    printf "  %-28s %8.3f s   %5.2f x cp -r   %6.1f us per file (2,000 files: %6.1f us)\n", "tarnvold-cli decode-dir", d, d / cp, d / 10000 * 1e6, ds / 2000 * 1e6
    printf "  time per file, 10,000 against 2,000: code %.2f, decode %.2f (linear: about 1)\n", (c / 10000) / (cs / 2000), (d / 10000) / (ds / 2000)
}'
echo "  peak memory: code-dir ${code_kb} KB, decode-dir ${decode_kb} KB (target: under 65536 KB)"
echo "  decoded tree equals the original: $same_big"

# On a disk, with every output on disk before the run ends: code-dir and
# decode-dir flush the destination's file system once at their end, so
# they are held against `cp -r` followed by `sync` (target: at most 1.2).
disk=$(mktemp -d "${TREE_DISK:-/var/tmp}/tarnvold-bench-XXXXXX")
trap 'rm -rf "$work" "$disk"' EXIT
make_tree "$disk/src" 2000 20
sync
durable_runs() {
    local n=$1 dest=$2; shift 2
    local i t0 t1
    for ((i = 0; i <= n; i++)); do
        rm -rf "$dest"
        case $1 in cp) ;; *) mkdir "$dest" ;; esac
        sync
        t0=$(now)
        "$@" > /dev/null
        case $1 in cp) sync ;; esac
        t1=$(now)
        ((i == 0)) || awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", b - a }'
    done
}
cp_sync=$(durable_runs "$runs" "$disk/copy" cp -r "$disk/src" "$disk/copy" | median)
code_d=$(durable_runs "$runs" "$disk/coded" "$cli" code-dir -q --password-file "$work/password" "$disk/src" "$disk/coded" | median)
decode_d=$(durable_runs "$runs" "$disk/back" "$cli" decode-dir -q --password-file "$work/password" "$disk/coded" "$disk/back" | median)
printf '2,000 files of 4 KiB in 20 folders on %s, outputs on disk at the end; median of %d runs\n' \
    "$(df --output=fstype "$disk" | tail -1)" "$runs"
printf '  %-28s %8.3f s\n' "cp -r, then sync" "$cp_sync"
printf '  %-28s %8.3f s   %5.2f x cp -r + sync   (target: at most 1.2)\n' "tarnvold-cli code-dir" "$code_d" \
    "$(awk -v a="$code_d" -v b="$cp_sync" 'BEGIN { print a / b }')"
printf '  %-28s %8.3f s   %5.2f x cp -r + sync   (target: at most 1.2)\n' "tarnvold-cli decode-dir" "$decode_d" \
    "$(awk -v a="$decode_d" -v b="$cp_sync" 'BEGIN { print a / b }')"
echo "$(load_line) at end"
[ "$same_small" = yes ] && [ "$same_big" = yes ]
