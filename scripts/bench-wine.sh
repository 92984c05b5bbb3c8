#!/usr/bin/env bash
# The Windows program's own limits: Execute to Ready for 1 MiB under Wine with a simulated card
# that answers at once (through the stand-in port-I/O library), and the size and import count
# of the executables that ship.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
export E2E_DIR="$build/bench-wine" DRIVER="$build/x86_64/driver.exe"
e2e="$root/tests/wine/e2e.sh"
trap '"$e2e" teardown' EXIT
"$e2e" setup >/dev/null
dir=$("$e2e" stage timed "$build/x86_64/varnok.exe" "$build/x86_64/inpout-fast.dll" inpoutx64.dll)
head -c 1048576 /dev/urandom > "$dir/one-mib.bin"
for run in 1 2 3; do "$e2e" run timed-transfer "$dir/varnok.exe" "$dir/one-mib.bin" | grep execute-to-ready; done
for exe in "$build/i686/varnok.exe" "$build/i686/varnok-cli.exe"; do
  imports=$(i686-w64-mingw32-objdump -p "$exe" | grep -cE $'^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]')
  echo "$(basename "$exe") (i686): $(stat -c %s "$exe") bytes, $imports imported functions"
done
