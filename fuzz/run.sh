#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzzes one target, or folds what a run found into the committed corpus.
#
#   fuzz/run.sh TARGET [SECONDS]    fuzz for SECONDS (default 600)
#   fuzz/run.sh --merge TARGET      add the inputs of the working corpus that
#                                   reach new code to fuzz/corpus/TARGET
#   fuzz/run.sh --replay TARGET     run the whole working corpus once under
#                                   the full AddressSanitizer
#
# TARGET is one of: coded_header decode roundtrip config lang.  The fuzzers
# come from a clang build with -DTARNVOLD_FUZZ=ON -DTARNVOLD_SANITIZE=ON in
# $BUILD_DIR (default build-fuzz).  The working corpus and any crash inputs
# live in $FUZZ_WORK/TARGET (default /tmp/tarnvold-fuzz), outside the tree.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=fuzz
case "${1:-}" in
  --merge) mode=merge; shift ;;
  --replay) mode=replay; shift ;;
esac
target=${1:?target name missing}
seconds=${2:-600}
build=${BUILD_DIR:-build-fuzz}
binary=$build/fuzz/fuzz_$target
seeds=fuzz/corpus/$target
work=${FUZZ_WORK:-/tmp/tarnvold-fuzz}/$target
[[ -x $binary ]] || { echo "no fuzzer at $binary; build it first (see fuzz/README.md)" >&2; exit 2; }
[[ -d $seeds ]] || { echo "no seed corpus $seeds" >&2; exit 2; }
mkdir -p "$work/corpus" "$work/artifacts"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
asan_full=detect_leaks=1:halt_on_error=1
flags=(-artifact_prefix="$work/artifacts/" -print_final_stats=1)
case $target in
  # Every file decoded allocates two 10 MiB buffers; poisoning them dominates
  # the run time, so the long run leaves heap poisoning out and --replay
  # checks everything it found with it.
  decode|roundtrip) asan_fuzz=$asan_full:poison_heap=0 ;;
  # Long enough to cross the reader's 4 KiB blocks.
  lang) asan_fuzz=$asan_full; flags+=(-max_len=20000) ;;
  *) asan_fuzz=$asan_full ;;
esac

case $mode in
  fuzz)
    ASAN_OPTIONS=${ASAN_OPTIONS:-$asan_fuzz} \
      "$binary" "${flags[@]}" -max_total_time="$seconds" "$work/corpus" "$seeds"
    ;;
  merge)
    ASAN_OPTIONS=${ASAN_OPTIONS:-$asan_full} "$binary" -merge=1 "$seeds" "$work/corpus"
    echo "$(ls "$seeds" | wc -l) files in $seeds"
    ;;
  replay)
    ASAN_OPTIONS=${ASAN_OPTIONS:-$asan_full} "$binary" -runs=0 "$work/corpus" "$seeds"
    ;;
esac
