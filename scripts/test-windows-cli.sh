#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tarnvold-cli.exe end to end under wine, against the Linux tarnvold-cli:
#   scripts/test-windows-cli.sh LOADER TARNVOLD_CLI_EXE HOLD_FILE_EXE LINUX_TARNVOLD_CLI
# (the wine loader, the Windows program, the Windows helper that holds a file
# open, and the Linux program).  WINEPREFIX and WINEDEBUG come from the
# caller.  Prints one line per check; the exit status is the number of
# checks that failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
loader=$1
exe=$(realpath "$2") holder=$(realpath -m "$3") linux=$(realpath "$4")
vectors=${TARNVOLD_SHARED_VECTORS:-$root/../shared/vectors}
[[ -d $vectors ]] || vectors=$root/tests/data/vectors
# Arguments reach wine as UTF-8 only in a UTF-8 locale.
export LC_ALL=C.UTF-8
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
cd "$work"

failed=0
pass() { echo "ok     $1"; }
fail() {
  echo "FAILED $1${2:+: $2}"
  failed=$((failed + 1))
}
win() { timeout 300 "$loader" "$exe" "$@" </dev/null; }

printf 'Tarnvold\n' >pw-lorem
printf 'ab\n' >pw-ab
printf 'Secret pass\n' >pw-secret

# Standard output carries bytes as they are: no CR before LF.  The help is
# the Linux program's, but for the wildcards the program expands itself and
# without /dev/fd.
if win --help >help-wine && "$linux" --help >help-linux && ! grep -q $'\r' help-wine &&
  grep -q '^Wildcards: \* (any characters)' help-wine && ! grep -q /dev/fd help-wine &&
  cmp -s <(grep -v /dev/fd help-linux | sed 's/standard input,$/standard input/') \
    <(sed '/^Wildcards:/,/(2)\.$/d' help-wine | cat -s); then
  pass "--help on redirected standard output is the Linux program's, with Windows' wildcards and without /dev/fd"
else
  fail "--help on redirected standard output is the Linux program's, with Windows' wildcards and without /dev/fd"
fi

# Wildcards, expanded by the program in the order of the names; a pattern
# that matches nothing is refused by name before anything is done.
mkdir wild wild-out
for f in b.txt a.txt C.TXT d.log a.txtx; do printf '%s\n' "$f" >"wild/$f"; done
order=$(win code -v --password-file pw-lorem 'wild\*.txt' wild-out 2>&1 | sed -n 's/^Starting code for : //p' | tr '\n' ' ')
if [[ $order == 'wild\a.txt wild\b.txt wild\C.TXT ' && $(ls wild-out | wc -l) -eq 3 ]]; then
  pass "wild\\*.txt expands to the three .txt files in order"
else
  fail "wild\\*.txt expands to the three .txt files in order" "$order"
fi
msg=$(win code -q --password-file pw-lorem 'wild\*.zip' wild-out 2>&1)
status=$?
if [[ $status -eq 2 && $msg == *'wild\*.zip: no file matches this pattern'* ]]; then
  pass "a pattern that matches nothing is refused by name"
else
  fail "a pattern that matches nothing is refused by name" "status $status: $msg"
fi

# The shared vectors decode byte for byte.
for v in "empty.bin ab" "lorem.txt lorem" "lorem.txt.seed3 secret" "random-5000.bin $vectors/pw-260.txt" \
  "random-3000.bin $vectors/pw-255.txt"; do
  read -r name pw <<<"$v"
  [[ $pw == /* ]] || pw=pw-$pw
  original=$vectors/${name%.seed3}
  if win decode -q --password-file "$pw" "$vectors/$name.cod" "vec-$name" && cmp -s "vec-$name" "$original"; then
    pass "vector $name.cod decodes byte for byte"
  else
    fail "vector $name.cod decodes byte for byte"
  fi
done

# A file coded under wine equals the Linux program's output (every run
# starts the same seed sequence), also one large enough to be coded in
# pieces by several threads.
head -c 5000000 /dev/urandom >big.bin
for f in "$vectors/random-5000.bin" big.bin; do
  win code -q --password-file pw-lorem "$f" wine.cod
  "$linux" code -q --password-file pw-lorem "$f" linux.cod </dev/null
  if cmp -s wine.cod linux.cod; then pass "coded $(basename "$f") equals the Linux output"; else fail "coded $(basename "$f") equals the Linux output"; fi
  rm -f wine.cod linux.cod
done

# A password beyond ASCII: --password-encoding windows-1252 turns the UTF-8
# "été" into E9 74 E9, the bytes a file coded on Windows holds, and the
# Windows program then opens such a file with the UTF-8 password alone.
printf '\xc3\xa9t\xc3\xa9\n' >pw-utf8
printf '\xe9t\xe9\n' >pw-1252
win code -q --password-encoding windows-1252 --password-file pw-utf8 "$vectors/lorem.txt" wine-1252.cod
"$linux" code -q --password-file pw-1252 "$vectors/lorem.txt" linux-1252.cod </dev/null
if cmp -s wine-1252.cod linux-1252.cod; then
  pass "--password-encoding windows-1252 codes the bytes of a Windows-1252 password file"
else
  fail "--password-encoding windows-1252 codes the bytes of a Windows-1252 password file"
fi
if win test --password-file pw-utf8 linux-1252.cod >test-1252 && grep -q 'taken as Windows-1252' test-1252; then
  pass "test opens a Windows-1252 file with the UTF-8 password and names the form"
else
  fail "test opens a Windows-1252 file with the UTF-8 password and names the form" "$(cat test-1252)"
fi

# Names beyond the ANSI code page and names of 255 characters.
long=$(printf 'n%.0s' {1..251}).txt
mkdir names back
printf 'Japanese\n' >names/日本.txt
printf 'long\n' >"names/$long"
for name in 日本.txt "$long"; do
  label=$([[ $name == 日本.txt ]] && echo "the name 日本.txt" || echo "a 255-character name")
  if win code -q --password-file pw-lorem "names/$name" coded-name.cod &&
    win decode -q --password-file pw-lorem coded-name.cod "back/$name" && cmp -s "names/$name" "back/$name"; then
    pass "$label round-trips"
  else
    fail "$label round-trips"
  fi
  rm -f coded-name.cod
done

# Names Windows cannot hold are refused, as a device is as source (exit 1,
# as on Linux for what is no regular file); nothing is made.
printf 'data\n' >plain.txt
for v in "plain.txt|trail.|Windows cannot hold a name" "plain.txt|trailsp |Windows cannot hold a name" \
  "plain.txt|aux.log|a device on Windows" "NUL|from-nul.cod|NUL: is not a regular file" \
  "CON|from-con.cod|CON: is not a regular file"; do
  IFS='|' read -r from to words <<<"$v"
  msg=$(win code -q --password-file pw-lorem "$from" "$to" 2>&1)
  status=$?
  if [[ $status -eq 1 && $msg == *"$words"* && ! -e $to && ! -e ${to%[. ]} ]]; then
    pass "code $from '$to' is refused with its reason"
  else
    fail "code $from '$to' is refused with its reason" "status $status: $msg"
  fi
done

# A sparse 3 GiB file: the 2 GiB refusal, not a 32-bit failure.
truncate -s 3G sparse.bin
msg=$(win code -q --password-file pw-lorem sparse.bin sparse.cod 2>&1)
status=$?
if [[ $status -ne 0 && $msg == *"Files of 2 GiB (2147483648 bytes) or more cannot be coded"* && ! -e sparse.cod ]]; then
  pass "3 GiB file refused with the 2 GiB message"
else
  fail "3 GiB file refused with the 2 GiB message" "status $status: $msg"
fi
rm -f sparse.bin

# code-dir and decode-dir on 1,000 files given by relative paths.
for d in $(seq -w 0 9); do
  mkdir -p "tree/d$d"
  for f in $(seq -w 0 99); do printf '%s %s\n' "$d" "$f" >"tree/d$d/f$f.txt"; done
done
mkdir coded restored
if win code-dir -q --password-file pw-lorem tree coded && win decode-dir -q --password-file pw-lorem coded restored &&
  [[ $(find coded -type f | wc -l) -eq 1000 ]] && diff -r tree restored >/dev/null; then
  pass "code-dir then decode-dir give back a 1,000-file tree"
else
  fail "code-dir then decode-dir give back a 1,000-file tree"
fi

# Success is quiet and writes beside the source by default; a folder run
# with a file it refuses names it and ends with the same summary as Linux.
mkdir plain-src plain-out
printf 'not coded\n' >plain-src/plain.txt
printf 'default\n' >beside.txt
out=$(win code --password-file pw-lorem beside.txt 2>&1)
status=$?
if [[ $status -eq 0 && -z $out && -f beside_txt.cod ]]; then
  pass "code FILE writes FILE's coded name beside it and prints nothing"
else
  fail "code FILE writes FILE's coded name beside it and prints nothing" "status $status: $out"
fi
summary_wine=$(win decode-dir --password-file pw-lorem plain-src plain-out 2>&1 >/dev/null | tail -n 1)
summary_linux=$("$linux" decode-dir --password-file pw-lorem plain-src plain-out 2>&1 >/dev/null </dev/null | tail -n 1)
if [[ $summary_wine == "tarnvold-cli: 0 decoded, 1 refused, 0 failed" && $summary_wine == "$summary_linux" ]]; then
  pass "a folder run that refuses a file ends with the summary line, as on Linux"
else
  fail "a folder run that refuses a file ends with the summary line, as on Linux" "wine '$summary_wine', Linux '$summary_linux'"
fi

# An existing destination: replaced with --yes; without it, with no console
# to ask on, left as it was with the same status and words as on Linux.
printf 'new\n' >src.txt
for who in wine linux; do
  printf 'old\n' >"dest-$who"
  if [[ $who == wine ]]; then
    out=$(win code --password-file pw-lorem src.txt "dest-$who" 2>&1)
  else
    out=$("$linux" code --password-file pw-lorem src.txt "dest-$who" 2>&1 </dev/null)
  fi
  declare "status_$who=$?" "text_$who=${out//dest-$who/DEST}"
done
if [[ $(cat dest-wine) == old && $status_wine -eq $status_linux && $status_wine -ne 0 &&
  $text_wine == *"DEST: exists; not replaced (use --yes to replace it)"* ]]; then
  pass "an existing destination is declined without --yes (status $status_wine, as on Linux)"
else
  fail "an existing destination is declined without --yes" "wine $status_wine '$text_wine', Linux $status_linux '$text_linux'"
fi
if win code -q -y --password-file pw-lorem src.txt dest-wine && win decode -q -y --password-file pw-lorem dest-wine check.txt &&
  cmp -s check.txt src.txt; then
  pass "an existing destination is replaced with --yes"
else
  fail "an existing destination is replaced with --yes"
fi

# A read-only destination and one another process holds: refused with the
# system's reason, left as it was, no temporary file left.
printf 'old\n' >read-only
chmod 444 read-only
printf 'old\n' >held
timeout 120 "$loader" "$holder" held 60 >holder.out </dev/null &
holding=$!
for _ in $(seq 100); do
  grep -q held holder.out 2>/dev/null && break
  sleep 0.2
done
before=$(ls -A | wc -l)
for dest in read-only held; do
  msg=$(win code -q -y --password-file pw-lorem src.txt "$dest" 2>&1)
  status=$?
  if [[ $status -ne 0 && $(cat "$dest") == old && $msg == *"$dest"* && $(ls -A | wc -l) -eq $before ]]; then
    pass "a $dest destination is refused with a reason and no partial file ($msg)"
  else
    fail "a $dest destination is refused with a reason and no partial file" "status $status: $msg"
  fi
done
kill "$holding" 2>/dev/null
wait "$holding" 2>/dev/null

echo "$failed of the end-to-end checks failed"
exit "$failed"
