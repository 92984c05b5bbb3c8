#!/usr/bin/env bash
# The static varnok-cli for 32-bit x86 Linux on an emulated Pentium II: an instruction that
# processor lacks ends the program. An upload on the simulated card, its exit code, the profile it
# saves: the same upload again from that profile alone.
#   cli-i386.sh <varnok-cli> <file>
set -uo pipefail
exe=$1 file=$(realpath "$2")
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
run() { HOME=$home QEMU_CPU=pentium2 timeout 60 qemu-i386-static "$exe" "$@" 2>&1; }
size=$(stat -c %s "$file")
fail=0
readelf -l "$exe" | grep -q INTERP && { echo "FAIL: not linked statically"; fail=1; }
out=$(run --simulate=fast --port 310 --address 6004000 "$file")
status=$?
[ $status = 0 ] || { echo "FAIL: exit $status"; fail=1; }
grep -q "sent $size bytes to 06004000" <<<"$out" || { echo "FAIL: no summary"; fail=1; }
# No file, address or port given: the last upload's, from the profile it saved.
out2=$(run --simulate=fast)
status=$?
[ $status = 0 ] && grep -q "sent $size bytes to 06004000" <<<"$out2" || { echo "FAIL: the upload again from the profile (exit $status)"; out+=$'\n'$out2; fail=1; }
[ $fail = 0 ] && echo "varnok-cli for 32-bit x86 Linux on a Pentium II: passed" || echo "$out"
exit $fail
