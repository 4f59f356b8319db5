#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes THIRD-PARTY.txt for the Windows programs to standard output: the
# copyright and licence texts of what they carry besides Tarnvold, taken
# from the copyright files of Debian's packages on this machine.
#   packaging/windows/third-party.sh            the CLI (winpthreads and the
#                                               GCC runtime, linked in)
#   packaging/windows/third-party.sh --qt QTVER also Qt and the libraries
#                                               inside its DLLs
set -euo pipefail
with_qt=""
if [[ ${1:-} == --qt ]]; then with_qt=${2:?the Qt version}; fi

mingw=/usr/share/doc/mingw-w64-common/copyright
gcc=/usr/share/doc/gcc-mingw-w64-base/copyright
qt=/usr/share/doc/libqt6core6/copyright
for f in "$mingw" "$gcc" ${with_qt:+"$qt"}; do
  [[ -f $f ]] || { echo "third-party.sh: $f is missing (install the package it belongs to)" >&2; exit 1; }
done

# The paragraphs of a Debian copyright file whose Files name a path matching
# PATTERN (an awk regular expression), then the stand-alone licence
# paragraphs they refer to.
stanzas() {
  awk -v want="$2" '
    BEGIN { RS = ""; ORS = "\n\n" }
    { para[NR] = $0 }
    /^Files:/ {
      files = $0; sub(/\nCopyright:.*/, "", files)
      # Files of the library itself, not the scripts that import it.
      hit = 0
      n = split(files, lines, "\n")
      for (i = 1; i <= n; i++) if (lines[i] ~ want && lines[i] !~ /import_from_/) hit = 1
      if (hit) {
        print
        if (match($0, /\nLicense: [^\n]*/)) {
          n = split(substr($0, RSTART + 10, RLENGTH - 10), names, / (or|and) |[(),]/)
          for (i = 1; i <= n; i++) if (names[i] != "") used[names[i]] = 1
        }
      }
    }
    END {
      for (i = 1; i <= NR; i++) {
        if (para[i] !~ /^License: /) continue
        name = para[i]; sub(/^License: /, "", name); sub(/\n.*/, "", name)
        if (name in used) print para[i]
      }
    }' "$1"
}

rule() { printf '%s\n%s\n\n' "$1" "$(printf '%s' "$1" | tr -c '\n' '=')"; }

cat <<'EOF'
Tarnvold for Windows: works of others it contains
=================================================

Tarnvold itself is free software under the GNU General Public License,
version 3 or later (LICENSE.txt); SOURCE.txt says where its source is.
The programs contain or come with the works below, each under its own
licence.  The texts are those of Debian's packages the programs were built
from.

EOF

rule "winpthreads (the POSIX threads library of mingw-w64, linked into every program)"
echo "From Debian's package mingw-w64-common $(dpkg-query -W -f='${Version}' mingw-w64-common 2>/dev/null || true)."
echo
stanzas "$mingw" 'winpthreads'

rule "GCC runtime libraries (libstdc++, libgcc)"
echo "From Debian's package gcc-mingw-w64-base $(dpkg-query -W -f='${Version}' gcc-mingw-w64-base 2>/dev/null || true):"
echo "the GNU General Public License, version 3, with the GCC Runtime Library"
echo "Exception, version 3.1, which follows."
echo
awk '/^GCC RUNTIME LIBRARY EXCEPTION/ { on = 1 } on { print } on && /requirements of the license of GCC\./ { exit }' "$gcc"
echo

if [[ -n $with_qt ]]; then
  rule "Qt $with_qt (Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll and the plugins)"
  echo "Under the GNU Lesser General Public License, version 3 (Qt-LGPL-3.0.txt);"
  echo "Qt-SOURCE.txt says where its source is.  The libraries below are built"
  echo "into the Qt DLLs from Qt's own source tree; their copyright and licence"
  echo "texts, from Debian's package libqt6core6 $(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || true):"
  echo
  for lib in pcre2 zlib libpng freetype harfbuzz-ng tinycbor double-conversion md4c easing; do
    rule "$lib"
    stanzas "$qt" "src/3rdparty/$lib/"
  done
  # FreeType's licence asks for this line in the documentation.
  echo "Portions of this software are copyright (c) The FreeType Project"
  echo "(www.freetype.org).  All rights reserved."
  echo
fi
