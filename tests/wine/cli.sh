#!/usr/bin/env bash
# varnok-cli.exe under Wine: an upload on the simulated console, its exit code and its output.
# The file's path holds blanks: Wine passes it to the program in double quotes, and the program
# must take it as one argument. Then a checksum error's exit code, unless --once (for a program
# under emulation, where each start takes about a minute).
#   cli.sh [--once] <varnok-cli.exe> <file>
set -uo pipefail
once=0
[ "$1" = --once ] && once=1 && shift
exe=$1 file=$2
E2E_DIR=${E2E_DIR:-build/e2e}
export WINEPREFIX="$E2E_DIR/prefix" WINEDEBUG=-all DISPLAY=":$(cat "$E2E_DIR/display")"
limit=$((120 * ${E2E_SCALE:-1}))
# A copy of its own (the demo's tests, running meanwhile, hold the sample open), one per build.
dir="$(cd "$E2E_DIR" && pwd)/cli $(basename "$(dirname "$exe")")/My Games"
mkdir -p "$dir"
cp "$file" "$dir/a b.bin"
file="$dir/a b.bin"
size=$(stat -c %s "$file")
out=$(timeout $limit /usr/lib/wine/wine64 "$exe" --simulate=fast --port 310 --address 6004000 "Z:${file//\//\\}" 2>&1)
status=$?
fail=0
[ $status = 0 ] || { echo "FAIL: exit $status"; fail=1; }
grep -q "Status:Sending data... 100%" <<<"$out" || { echo "FAIL: no progress lines"; fail=1; }
grep -q "sent $size bytes to 06004000" <<<"$out" || { echo "FAIL: no summary"; fail=1; }
if [ $once = 0 ]; then
  out2=$(timeout $limit /usr/lib/wine/wine64 "$exe" --simulate=bad-checksum 2>&1)
  status=$?
  [ $status = 1 ] || { echo "FAIL: a checksum error exits with $status, not 1"; fail=1; }
  grep -q "varnok-cli: Checksum Error" <<<"$out2" || { echo "FAIL: no checksum message"; fail=1; }
  out+=$'\n'$out2
fi
[ $fail = 0 ] && echo "varnok-cli.exe under Wine: passed" || echo "$out"
exit $fail
