#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end comparison on one 256 MiB file of random bytes:
#   tarnvold-cli code (fast key stream), tarnvold-cli code --x87-reference,
#   cp, and openssl enc -aes-256-ctr -pbkdf2,
# each timed as the median of several runs after one untimed run, every run
# into a fresh destination (so the coded file is never fsync'ed as a
# replacement), after a sync so that the previous run's write-back does not
# land in the next one.
#
#   bench/compare.sh [BUILD_DIR [RUNS [X87_RUNS]]]      defaults: build 5 3
#
# Also prints the peak resident memory of one fast and one x87 run
# (/usr/bin/time -v, package "time").
set -euo pipefail

build=${1:-build}
runs=${2:-5}
x87_runs=${3:-3}
cli=$build/src/cli/tarnvold-cli
[ -x "$cli" ] || { echo "no $cli: build the project first" >&2; exit 2; }
command -v openssl >/dev/null || { echo "openssl is needed" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnvold-compare-XXXXXX")
trap 'rm -rf "$work"' EXIT
size=268435456
head -c $size /dev/urandom > "$work/source.bin"
printf 'xx\n' > "$work/password"
cat "$work/source.bin" > /dev/null  # in the page cache for everyone alike

now() { date +%s.%N; }

# time_median NAME RUNS DEST COMMAND...: prints the median wall time in seconds.
# One untimed run comes first, so that every contender starts from a machine
# that has just done the same job (the first run after the source file was
# written is slower for all of them).
time_median() {
    local name=$1 n=$2 dest=$3; shift 3
    local times=()
    rm -f "$dest"
    sync
    "$@" > /dev/null
    for ((i = 0; i < n; i++)); do
        rm -f "$dest"
        sync
        local t0 t1
        t0=$(now)
        "$@" > /dev/null
        t1=$(now)
        times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }')")
    done
    rm -f "$dest"
    printf '%s\n' "${times[@]}" | sort -g | awk -v name="$name" '
        { t[NR] = $1 }
        END {
            m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
            printf "%s %.4f", name, m
            for (i = 1; i <= NR; i++) printf " %.3f", t[i]
            printf "\n"
        }'
}

src=$work/source.bin
results=$work/results
{
    time_median fast "$runs" "$work/fast.cod" "$cli" code -q --password-file "$work/password" "$src" "$work/fast.cod"
    time_median x87 "$x87_runs" "$work/x87.cod" "$cli" code -q --x87-reference --password-file "$work/password" "$src" "$work/x87.cod"
    time_median cp "$runs" "$work/copy.bin" cp "$src" "$work/copy.bin"
    time_median openssl "$runs" "$work/aes.bin" openssl enc -aes-256-ctr -pbkdf2 -pass pass:xx -in "$src" -out "$work/aes.bin"
} > "$results"

rm -f "$work/fast.cod" "$work/x87.cod"
fast_kb=$( { /usr/bin/time -v "$cli" code -q --password-file "$work/password" "$src" "$work/fast.cod" > /dev/null; } 2>&1 |
          awk -F': ' '/Maximum resident/ { print $2 }')
x87_kb=$( { /usr/bin/time -v "$cli" code -q --x87-reference --password-file "$work/password" "$src" "$work/x87.cod" > /dev/null; } 2>&1 |
         awk -F': ' '/Maximum resident/ { print $2 }')
same=no
cmp -s "$work/fast.cod" "$work/x87.cod" && same=yes

echo "256 MiB file, $(nproc) cores; median of $runs runs ($x87_runs for x87), fresh destination each run"
awk -v size=$size '
    { name[NR] = $1; t[$1] = $2; runs = ""; for (i = 3; i <= NF; i++) runs = runs " " $i; all[$1] = runs }
    END {
        printf "%-34s %9s %10s   %s\n", "", "median s", "MB/s", "runs (s)"
        label["fast"] = "tarnvold-cli code (fast)"
        label["x87"] = "tarnvold-cli code --x87-reference"
        label["cp"] = "cp"
        label["openssl"] = "openssl enc -aes-256-ctr -pbkdf2"
        for (i = 1; i <= NR; i++) {
            n = name[i]
            printf "%-34s %9.3f %10.1f  %s\n", label[n], t[n], size / t[n] / 1e6, all[n]
        }
        printf "\n"
        printf "x87 / fast     %7.1f   (target: at least 25)\n", t["x87"] / t["fast"]
        printf "fast / cp      %7.2f   (target: at most 2)\n", t["fast"] / t["cp"]
        printf "fast / openssl %7.2f   (target: below 1)\n", t["fast"] / t["openssl"]
    }' "$results"
echo "peak memory: fast ${fast_kb} KB, x87 ${x87_kb} KB (target: under 65536 KB)"
echo "fast and x87 coded files identical: $same"
