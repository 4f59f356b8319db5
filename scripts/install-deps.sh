#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine does not have yet.  Run as root (or with sudo available).
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-qpa-plugins libxkbcommon-dev dpkg-dev
  googletest libgtest-dev libbenchmark-dev
  xvfb xauth x11-utils fonts-dejavu-core openbox
  desktop-file-utils appstream xdg-utils shared-mime-info libfile-mimeinfo-perl
  clang libclang-rt-dev clang-format
  man-db groff-base bash-completion zsh
  dosfstools
  lintian devscripts debhelper xz-utils ccache dbus-daemon
  qt6-l10n-tools qt6-translations-l10n
)
# --with-bench-tools: what the benchmark scripts use besides;
# --windows: the mingw-w64 compilers and GoogleTest's source, zip and wixl (the installer) for the Windows builds;
# --qt-windows: what cross-building Qt from Debian's source takes besides
# (its tools come from the host's Qt).
for option in "$@"; do
  case $option in
    --with-bench-tools) packages+=(hyperfine openssl time) ;;
    --windows) packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest zip wixl) ;;
    --qt-windows) packages+=(dpkg-dev ninja-build perl xz-utils ccache qt6-base-dev-tools) ;;
    *) echo "usage: $0 [--with-bench-tools] [--windows] [--qt-windows]" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q "${missing[@]}" </dev/null
fi
