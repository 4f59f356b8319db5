#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts a build of the window program the way a user does, on the X display
# in DISPLAY (Xvfb), and checks what a first start does:
#   scripts/window-smoke.sh PROGRAM DRIVEN REFERENCE WORK [RUNNER...]
# PROGRAM is the program as shipped (tarnvold or tarnvold.exe), DRIVEN its
# driven build (tests/ui/driven_program.cpp), REFERENCE a folder holding
# tarnvold_conf.cfg and lang/english.tvl as the Linux build writes them on
# a first start, WORK an empty folder to work in, RUNNER what starts the
# programs (wine for the Windows build; nothing for the Linux one).
#   1. PROGRAM in an empty folder: a window titled "Tarnvold 1.5" appears;
#      the 45-byte configuration file and lang/english.tvl are the
#      reference's byte for byte; its Exit button ends it with status 0.
#   2. DRIVEN in an empty folder with a file on its command line: "Code
#      object", the save dialog (its suggested name) and the password dialog
#      code it; CLI (when set, the Linux tarnvold-cli) decodes the result to
#      the same bytes.
# SCREENSHOT=FILE.png saves a picture of the window of step 1.  Every start
# has a time limit.  Status 0 when all passed.
set -uo pipefail
program=$(realpath "$1") driven=$(realpath "$2") reference=$(realpath "$3") work=$(realpath -m "$4")
shift 4
runner=("$@")
status=0
fail() {
  echo "FAILED: $*"
  status=1
}

rm -rf "$work"
mkdir -p "$work/first" "$work/flow"

# --- 1. first start, Exit ---------------------------------------------------
cd "$work/first"
timeout 120 "${runner[@]}" "$program" </dev/null >"$work/first.log" 2>&1 &
pid=$!
if window=$(timeout 90 xdotool search --sync --onlyvisible --name '^Tarnvold 1\.5$' 2>/dev/null | head -1) &&
  [[ -n $window ]]; then
  echo "window \"$(xdotool getwindowname "$window")\" shown"
  if [[ -n ${SCREENSHOT:-} ]]; then
    # Once the panes have listed their folders.
    sleep 3
    xwd -id "$window" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$SCREENSHOT" && echo "picture: $SCREENSHOT"
  fi
  # Start-up has written its files by the time the window shows.
  for f in tarnvold_conf.cfg lang/english.tvl; do
    if cmp -s "$reference/$f" "$f"; then
      echo "$f: as on Linux ($(stat -c %s "$f") bytes)"
    else
      fail "$f differs from the Linux build's (or is missing)"
    fi
  done
  [[ $(stat -c %s tarnvold_conf.cfg 2>/dev/null) == 45 ]] || fail "tarnvold_conf.cfg is not 45 bytes"
  # The Exit button: where the window's layout puts it, 712 to 825 across
  # and about 380 to 404 down, give or take the menu bar's height (the
  # window's foot moves with the frame: on Windows the frame is part of the
  # window's height).
  xdotool mousemove --window "$window" 768 392 click 1
  # "Really quit?", in a box captioned "Tarnvold": Yes is its default.
  if box=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tarnvold$' 2>/dev/null | head -1) && [[ -n $box ]]; then
    sleep 1
    xdotool windowfocus --sync "$box" key Return
  else
    fail "Exit asked nothing"
  fi
  wait "$pid"
  rc=$?
  if [[ $rc == 0 ]]; then echo "Exit: status 0"; else fail "Exit: status $rc"; fi
else
  fail "no window titled \"Tarnvold 1.5\" within 90 s"
  kill "$pid" 2>/dev/null
  wait "$pid"
  cat "$work/first.log"
fi

# --- 2. Code object on a file given on the command line ----------------------
cd "$work/flow"
head -c 300000 /dev/urandom >plain.bin
printf 'code-object\t\t\tgeheim 12\n' >drive.txt
TARNVOLD_TEST_BOXES=yes TARNVOLD_TEST_DRIVE=drive.txt timeout 180 "${runner[@]}" "$driven" plain.bin \
  </dev/null >"$work/flow.log" 2>&1
rc=$?
if [[ $rc == 0 && -f plain_bin.cod ]]; then
  echo "Code object: plain_bin.cod ($(stat -c %s plain_bin.cod) bytes)"
  if [[ -n ${CLI:-} ]]; then
    printf 'geheim 12\n' >pw.txt
    if "$CLI" decode --password-file pw.txt plain_bin.cod decoded.bin >/dev/null 2>&1 && cmp -s plain.bin decoded.bin; then
      echo "decoded by $(basename "$CLI"): the same bytes"
    else
      fail "$CLI does not decode plain_bin.cod to the source"
    fi
  fi
else
  fail "Code object: status $rc, no plain_bin.cod"
  cat "$work/flow.log"
fi
exit $status
