#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build on a tree of 2,000 small files under wine: wine's own
# `xcopy /E /I /Q` of the tree, `tarnvold-cli.exe code-dir` and `decode-dir`
# (password file), each the median of RUNS runs after one untimed run, every
# run into a fresh destination in the same wine prefix (its server kept
# running between runs).  Prints the medians and the ratio of each to xcopy;
# the decoded tree is checked against the original.
#
#   bench/tree-wine.sh TARNVOLD_CLI_EXE [RUNS]      default RUNS: 7
# WINEPREFIX as set, or a fresh one in the scratch folder.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/tree_lib.sh"

exe=$(realpath "${1:?usage: bench/tree-wine.sh TARNVOLD_CLI_EXE [RUNS]}")
runs=${2:-7}
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || { echo "wine64 is needed (apt-get install wine64)" >&2; exit 2; }

work=$(make_work)
trap '"${wine%/*}/wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY= WINEPREFIX=${WINEPREFIX:-$work/prefix}
[ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot -i </dev/null >/dev/null 2>&1
# One server for every run, as a Windows session has.
"${wine%/*}/wineserver" -p 2>/dev/null || true
printf 'xx\n' >"$work/password"
make_tree "$work/tree" 2000 20
cd "$work"

# time_one NAME COMMAND...: seconds of one run.
time_one() {
    local start
    start=$(now)
    "$@" </dev/null >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    awk -v a="$(now)" -v b="$start" 'BEGIN { printf "%.4f\n", a - b }'
}
declare -A median_of
for what in xcopy code decode; do
    : >"times-$what"
    for ((i = 0; i <= runs; i++)); do
        rm -rf out-$what
        case $what in
        xcopy) t=$(time_one "$wine" xcopy /E /I /Q 'tree' 'out-xcopy') ;;
        code)
            mkdir out-code
            t=$(time_one "$wine" "$exe" code-dir -q --password-file password tree out-code)
            ;;
        decode)
            mkdir out-decode
            t=$(time_one "$wine" "$exe" decode-dir -q --password-file password coded out-decode)
            ;;
        esac
        # The first run warms the caches and is not counted.
        if ((i > 0)); then echo "$t" >>"times-$what"; fi
        if [[ $what == code ]]; then rm -rf coded && cp -r out-code coded; fi
    done
    median_of[$what]=$(median <"times-$what")
done
diff -r tree out-decode >/dev/null || { echo "the decoded tree differs from the original" >&2; exit 1; }
awk -v x="${median_of[xcopy]}" -v c="${median_of[code]}" -v d="${median_of[decode]}" -v load="$(load_line)" \
    'BEGIN { printf "xcopy %s s, code-dir %s s (%.2fx), decode-dir %s s (%.2fx); %s\n", x, c, c / x, d, d / x, load }'
