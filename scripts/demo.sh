#!/usr/bin/env bash
# The demo: varnok-demo.exe (the real program on a simulated, hardware-paced console) under Wine.
# With a display, it opens there with the sample program and its start address filled in: press
# Execute. Without one, it runs on a virtual display, performs one upload through the dialog,
# prints what the console received and writes a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
exe=$build/x86_64/varnok-demo.exe
sample=$root/examples/demo-program.bin
demo_dir=$build/demo
mkdir -p "$demo_dir"
to_windows() { printf 'Z:%s' "${1//\//\\}"; }

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX="$demo_dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  [ -d "$WINEPREFIX" ] || E2E_DIR="$demo_dir" "$root/tests/wine/e2e.sh" boot
  # The sample and its address as the most recent entries of the demo's own profile.
  ini="$WINEPREFIX/drive_c/windows/varnok-demo.ini"
  printf '[Config]\r\nPortNo=1\r\nRecentFiles=1\r\nRecentFile0=%s\r\nRecentAdrss=1\r\nRecentAdrs0=06004000\r\n' \
    "$(to_windows "$sample")" > "$ini"
  echo "varnok-demo: press Execute to send $(basename "$sample") to the simulated console."
  echo "What the console received is written to the [DemoConsole] section of $ini"
  exec /usr/lib/wine/wine64 "$exe"
fi

echo "No display: running the demo on a virtual display."
export E2E_DIR="$demo_dir/headless" DRIVER="$build/x86_64/driver.exe"
trap '"$root/tests/wine/e2e.sh" teardown' EXIT
"$root/tests/wine/e2e.sh" setup >/dev/null
"$root/tests/wine/e2e.sh" run transfer "$exe" "$sample" "$demo_dir/demo.bmp"
