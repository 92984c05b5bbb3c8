#!/usr/bin/env bash
# The Windows programs' own limits under Wine: a 1 MiB upload through the window (Execute to
# Ready, driven from outside) and through the command line (its own closing summary, and the
# whole command with Wine's start), each with a stand-in card that answers at once (fast) and one
# that stays busy for one status poll after each byte (busy), through the stand-in port-I/O
# library; and the size and import count of the executables that ship.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
export E2E_DIR="$build/bench-wine" DRIVER="$build/x86_64/driver.exe"
e2e="$root/tests/wine/e2e.sh"
trap '"$root/scripts/wine-env.sh" teardown' EXIT
"$root/scripts/wine-env.sh" setup >/dev/null
export WINEPREFIX="$E2E_DIR/prefix" WINEDEBUG=-all DISPLAY=":$(cat "$E2E_DIR/display")"
runs=${BENCH_RUNS:-3}
file="$E2E_DIR/one-mib.bin"
head -c 1048576 /dev/urandom > "$file"
ms() { echo $(($(date +%s%N) / 1000000)); }
for card in fast busy; do
  dir="$E2E_DIR/$card"
  rm -rf "$dir" && mkdir -p "$dir"
  cp "$build/x86_64/varnok.exe" "$build/x86_64/varnok-cli.exe" "$dir/"
  cp "$build/x86_64/inpout-$card.dll" "$dir/inpoutx64.dll"
  for _ in $(seq "$runs"); do
    echo "window, $card card: $("$e2e" run transfer "$dir/varnok.exe" "$file" | grep execute-to-ready)"
  done
  for _ in $(seq "$runs"); do
    start=$(ms)
    summary=$(/usr/lib/wine/wine64 "$dir/varnok-cli.exe" --port 310 --address 6004000 "Z:${file//\//\\}" 2>/dev/null |
      grep '^sent' || echo "failed")
    echo "command line, $card card: $summary; the whole command $(($(ms) - start)) ms"
  done
done
start=$(ms)
/usr/lib/wine/wine64 "$build/x86_64/varnok-cli.exe" --help >/dev/null 2>&1 || true
echo "Wine starting and ending varnok-cli.exe --help: $(($(ms) - start)) ms"
for exe in "$build/i686/varnok.exe" "$build/i686/varnok-cli.exe"; do
  imports=$(i686-w64-mingw32-objdump -p "$exe" | grep -cE $'^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]')
  echo "$(basename "$exe") (i686): $(stat -c %s "$exe") bytes, $imports imported functions"
done
