#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak memory of folder runs against the number of files: 1,000 and 100,000
# empty files, each spread over 100 folders on tmpfs, coded with
# `tarnvold-cli code-dir` and decoded back with `decode-dir` (password file),
# one run each under /usr/bin/time -v (package "time").  Memory must not grow
# with the number of files of a run: the 100,000-file peak must stay within
# 2 MB (2048 KB) of the 1,000-file one.  Empty files keep the trees small
# (the coded ones take a page each: about 400 MB of tmpfs for the large tree).
#
#   bench/tree-memory.sh [BUILD_DIR]      default: build
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/tree_lib.sh"

build=${1:-build}
cli=$build/src/cli/tarnvold-cli
[ -x "$cli" ] || { echo "no $cli: build the project first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (apt-get install time)" >&2; exit 2; }

work=$(make_work)
trap 'rm -rf "$work"' EXIT
printf 'xx\n' > "$work/password"

# empty_tree DIR FILES: FILES empty files in 100 folders d00 ... d99.
empty_tree() {
    local dir=$1 per=$(($2 / 100)) i
    for ((i = 0; i < 100; i++)); do
        local sub
        sub=$(printf '%s/d%02d' "$dir" "$i")
        mkdir -p "$sub"
        (cd "$sub" && seq -f 'f%06g.dat' 0 $((per - 1)) | xargs touch)
    done
}

peak_kb() {
    { /usr/bin/time -v "$@" > /dev/null; } 2>&1 | awk -F': ' '/Maximum resident/ { print $2 }'
}

declare -A code_kb decode_kb
for files in 1000 100000; do
    empty_tree "$work/src" "$files"
    mkdir "$work/coded" "$work/back"
    code_kb[$files]=$(peak_kb "$cli" code-dir -q --password-file "$work/password" "$work/src" "$work/coded")
    decode_kb[$files]=$(peak_kb "$cli" decode-dir -q --password-file "$work/password" "$work/coded" "$work/back")
    [ "$(find "$work/back" -type f | wc -l)" -eq "$files" ] || { echo "not every file came back" >&2; exit 1; }
    rm -rf "$work/src" "$work/coded" "$work/back"
done

printf 'Peak memory of one run, empty files in 100 folders on tmpfs\n'
printf '  %-24s %10s %10s %10s\n' "" "1,000" "100,000" "growth"
ok=yes
for op in code decode; do
    declare -n kb=${op}_kb
    growth=$((kb[100000] - kb[1000]))
    ((growth <= 2048)) || ok=no
    printf '  %-24s %7d KB %7d KB %7d KB\n' "tarnvold-cli $op-dir" "${kb[1000]}" "${kb[100000]}" "$growth"
done
echo "  growth within 2048 KB: $ok"
[ "$ok" = yes ]
