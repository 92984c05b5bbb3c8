#!/usr/bin/env bash
# varnok-cli.exe under Wine: an upload on the simulated console, its exit code and its output.
#   cli.sh <varnok-cli.exe> <file>
set -uo pipefail
exe=$1 file=$2
E2E_DIR=${E2E_DIR:-build/e2e}
export WINEPREFIX="$E2E_DIR/prefix" WINEDEBUG=-all DISPLAY=":$(cat "$E2E_DIR/display")"
# A copy of its own: the demo's tests, running meanwhile, hold the sample open.
cp "$file" "$E2E_DIR/cli-sample.bin"
file=$(cd "$E2E_DIR" && pwd)/cli-sample.bin
size=$(stat -c %s "$file")
out=$(timeout 120 /usr/lib/wine/wine64 "$exe" --simulate=fast --port 310 --address 6004000 "Z:${file//\//\\}" 2>&1)
status=$?
fail=0
[ $status = 0 ] || { echo "FAIL: exit $status"; fail=1; }
grep -q "Status:Sending data... 100%" <<<"$out" || { echo "FAIL: no progress lines"; fail=1; }
grep -q "sent $size bytes to 06004000" <<<"$out" || { echo "FAIL: no summary"; fail=1; }
out=$(timeout 120 /usr/lib/wine/wine64 "$exe" --simulate=bad-checksum 2>&1)
status=$?
[ $status = 1 ] || { echo "FAIL: a checksum error exits with $status, not 1"; fail=1; }
grep -q "varnok-cli: Checksum Error" <<<"$out" || { echo "FAIL: no checksum message"; fail=1; }
[ $fail = 0 ] && echo "varnok-cli.exe under Wine: passed" || echo "$out"
exit $fail
