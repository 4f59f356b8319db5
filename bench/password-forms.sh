#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What trying a password's other forms costs, on one 256 MiB coded file:
# decode and test with a wrong password of ASCII (one pass, no form tried)
# against a wrong one beyond ASCII ("zażółć", whose forms UTF-8,
# Windows-1250 and Windows-1257 are checked in one pass that writes
# nothing), and decode with the right password typed as UTF-8 when the
# file holds its Windows-1250 bytes (the checking pass, then the decoding).
# Medians of RUNS wall and processor times, after one untimed run each.
#
#   bench/password-forms.sh [BUILD_DIR [RUNS]]      defaults: build 5
set -euo pipefail

build=${1:-build}
runs=${2:-5}
cli=$build/src/cli/tarnvold-cli
[ -x "$cli" ] || { echo "no $cli: build the project first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (apt-get install time)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnvold-forms-XXXXXX")
trap 'rm -rf "$work"' EXIT
head -c 268435456 /dev/urandom >"$work/source.bin"
printf 'za\xbf\xf3\xb3\xe6\n' >"$work/cp1250"
printf 'zażółć\n' >"$work/right"
printf 'zażółx\n' >"$work/wrong"
printf 'wrong password\n' >"$work/ascii"
"$cli" code -q --password-file "$work/cp1250" "$work/source.bin" "$work/coded.cod"

# median NAME COMMAND...: the median wall and processor (user + system)
# seconds of RUNS runs, the output removed before each.
median() {
    local name=$1
    shift
    local walls=() cpus=() i
    for ((i = 0; i <= runs; i++)); do
        rm -f "$work/out"
        sync
        /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || true
        ((i == 0)) && continue
        read -r wall user sys < <(tail -n 1 "$work/time")
        walls+=("$wall")
        cpus+=("$(echo "scale=2; ($user + $sys) / 1" | bc)")
    done
    printf '%-46s wall %6s s   cpu %6s s\n' "$name" \
        "$(printf '%s\n' "${walls[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")" \
        "$(printf '%s\n' "${cpus[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")"
}

median "decode, wrong ASCII password" "$cli" decode -q --password-file "$work/ascii" "$work/coded.cod" "$work/out"
median "decode, wrong password beyond ASCII" "$cli" decode -q --password-file "$work/wrong" "$work/coded.cod" "$work/out"
median "test, wrong ASCII password" "$cli" test -q --password-file "$work/ascii" "$work/coded.cod"
median "test, wrong password beyond ASCII" "$cli" test -q --password-file "$work/wrong" "$work/coded.cod"
median "decode, Windows-1250 bytes as given" "$cli" decode -q --password-file "$work/cp1250" "$work/coded.cod" "$work/out"
median "decode, the same letters typed as UTF-8" "$cli" decode -q --password-file "$work/right" "$work/coded.cod" "$work/out"
