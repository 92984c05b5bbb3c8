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
# The sample where a user keeps such a file, on the prefix's C: drive (not this checkout's path).
sample_c='C:\SATURN\DEMO.BIN'
copy_sample() { mkdir -p "$WINEPREFIX/drive_c/SATURN" && cp "$sample" "$WINEPREFIX/drive_c/SATURN/DEMO.BIN"; }

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX="$demo_dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # A prefix made before Wine's Marlett was put into new ones gets it too (the close box's glyph).
  [ -d "$WINEPREFIX" ] && what=fonts || what=boot
  E2E_DIR="$demo_dir" "$root/scripts/wine-env.sh" $what
  copy_sample
  # The sample and its address as the most recent entries of the demo's own profile.
  ini="$WINEPREFIX/drive_c/windows/varnok-demo.ini"
  printf '[Config]\r\nPortNo=1\r\nRecentFiles=1\r\nRecentFile0=%s\r\nRecentAdrss=1\r\nRecentAdrs0=06004000\r\n' \
    "$sample_c" > "$ini"
  echo "varnok-demo: press Execute to send $sample_c (a copy of $(basename "$sample")) to the simulated console."
  echo "What the console received is written to the [DemoConsole] section of $ini"
  exec /usr/lib/wine/wine64 "$exe"
fi

echo "No display: running the demo on a virtual display."
export E2E_DIR="$demo_dir/headless" DRIVER="$build/x86_64/driver.exe"
trap '"$root/scripts/wine-env.sh" teardown' EXIT
"$root/scripts/wine-env.sh" setup >/dev/null
export DISPLAY=":$(cat "$E2E_DIR/display")" WINEPREFIX="$E2E_DIR/prefix"
copy_sample
# The upload through the dialog, and a picture of the screen while it runs (the console is paced:
# the data phase takes a few seconds).
"$root/tests/wine/e2e.sh" run transfer "$exe" "$sample_c" &
window=
for _ in $(seq 300); do  # Busy: the title names the file
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"Varnok - Version 1.3 \(Beta\) - / {print $1; exit}')
  [ -n "$window" ] && break
  sleep 0.1
done
sleep 1
import -window "${window:-root}" "$demo_dir/demo.png" && echo "screenshot: $demo_dir/demo.png"
wait $!
echo "What the console received ([DemoConsole] of the demo's profile):"
tr -d '\r' < "$E2E_DIR/prefix/drive_c/windows/varnok-demo.INI" | sed -n '/^\[DemoConsole\]/,/^\[/{/^\[/d;p}'
