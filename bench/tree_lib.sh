# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by bench/tree.sh and bench/window-walk.sh (sourced, not run).

# A scratch folder on tmpfs, so that the disk's noise does not hide the
# program's own cost; TMPDIR when there is no /dev/shm.
make_work() {
    local base=/dev/shm
    [ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
    mktemp -d "$base/tarnvold-bench-XXXXXX"
}

# make_tree DIR FILES FOLDERS: FILES files of 4 KiB of random bytes, spread
# evenly over FOLDERS folders d00, d01, ... below DIR, named f0000.dat ...
# (a three-letter extension, which the folder commands' decoded names
# restore).
make_tree() {
    local dir=$1 files=$2 folders=$3 i
    local per=$((files / folders))
    mkdir -p "$dir"
    for ((i = 0; i < folders; i++)); do
        local sub
        sub=$(printf '%s/d%02d' "$dir" "$i")
        mkdir -p "$sub"
        head -c $((per * 4096)) /dev/urandom |
            split -b 4096 -d -a 4 --additional-suffix=.dat - "$sub/f"
    done
}

now() { date +%s.%N; }

# median of the numbers on standard input, one a line
median() {
    sort -g | awk '{ t[NR] = $1 } END { if (NR == 0) exit 1; printf "%.4f\n", (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}

# The load while measuring, for the record.
load_line() { uptime | sed 's/.*load average/load average/'; }
