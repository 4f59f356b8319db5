#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes src/io/code_page_tables.inc: the characters of bytes 0x80..0xFF in
# the single-byte Windows code pages a password may be written in, as this
# system's iconv reads them (0: the byte stands for no character).  Run it
# by hand after changing the list; the build only reads the result.
set -eu
cd "$(dirname "$0")/.."
out=src/io/code_page_tables.inc
{
    echo "// SPDX-License-Identifier: GPL-3.0-or-later"
    echo "// Made by scripts/make-code-page-tables.sh from iconv's tables: do not edit."
    for cp in 1250 1251 1252 1253 1254 1255 1256 1257 1258 874; do
        printf '{%s, {' "$cp"
        b=128
        while [ $b -le 255 ]; do
            [ $((b % 8)) -eq 0 ] && printf '\n    '
            hex=$(printf '%02X' $b)
            # shellcheck disable=SC2059
            u=$(printf "\\$(printf '%03o' $b)" | iconv -f "CP$cp" -t UTF-32BE 2>/dev/null | od -An -tx1 | tr -d ' \n')
            [ -n "$u" ] || u=0
            printf '0x%04X, ' "$((0x$u))"
            b=$((b + 1))
        done
        printf '\n}},\n'
    done
} | sed 's/ *$//' >"$out"
echo "wrote $out"
