#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the program and starts it from the project
# folder (where it keeps its configuration, languages and help page).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD" -j"$(nproc)"

if [[ -x "$BUILD/src/ui/tarnvold" ]]; then
  # The shipped translations, next to the English file the program writes;
  # a language file already there is left as it is.
  mkdir -p lang
  cp -n packaging/lang/*.tvl lang/
  exec "$BUILD/src/ui/tarnvold" "$@"
else
  exec "$BUILD/src/cli/tarnvold-cli" --help
fi
