#!/usr/bin/env bash
# Runs the Windows program's end-to-end tests under Wine on a virtual display.
#   e2e.sh setup              one Wine prefix and one Xvfb display for this run, under $E2E_DIR
#   e2e.sh run <scenario> <exe> [args...]   the driver against the program
#   e2e.sh stage <name> <exe> [<file> <as>]   a folder $E2E_DIR/<name> with a copy of the
#                             program and, if given, of another file under another name
#   e2e.sh teardown           stops this prefix's wineserver and this run's Xvfb
# E2E_DIR (default build/e2e) holds the prefix, the display number and the outputs.
set -euo pipefail
E2E_DIR=${E2E_DIR:-build/e2e}
mkdir -p "$E2E_DIR"
E2E_DIR=$(cd "$E2E_DIR" && pwd)
export WINEPREFIX="$E2E_DIR/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64

case "${1:-}" in
  setup)
    "$0" teardown >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    # Xvfb picks a free display and tells us which.
    exec 3> "$E2E_DIR/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! > "$E2E_DIR/xvfb.pid"
    exec 3>&-
    for _ in $(seq 100); do [ -s "$E2E_DIR/display" ] && break; sleep 0.1; done
    [ -s "$E2E_DIR/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(cat "$E2E_DIR/display")"
    timeout 300 "$WINE" wineboot -i >/dev/null 2>&1
    # No window manager here: Wine draws the title bar and frame itself, as in screenshots.
    timeout 60 "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    timeout 60 /usr/lib/wine/wineserver -w || true
    echo "Wine prefix ready on display $DISPLAY"
    ;;
  run)
    shift
    export DISPLAY=":$(cat "$E2E_DIR/display")"
    scenario=$1 exe=$2
    shift 2
    args=()
    for a in "$@"; do
      case "$a" in
        /*) args+=("Z:${a//\//\\}") ;;  # Unix paths as the program sees them
        *) args+=("$a") ;;
      esac
    done
    exe_win="Z:${exe//\//\\}"
    root=$(cd "$(dirname "$0")/../.." && pwd)
    status=0
    timeout 180 "$WINE" "${DRIVER:-$root/build/x86_64/driver.exe}" "$scenario" "$exe_win" "${args[@]}" || status=$?
    # Screenshots come as BMP from the driver; keep them as PNG.
    for a in "$@"; do
      # ImageMagick's own convert (another one may come first on the PATH).
      convert=/usr/bin/convert
      [ -x "$convert" ] || convert=convert
      if [[ "$a" == *.bmp && -f "$a" ]]; then "$convert" "$a" "${a%.bmp}.png" && rm -f "$a" && echo "screenshot: ${a%.bmp}.png"; fi
    done
    exit $status
    ;;
  stage)
    dir="$E2E_DIR/$2"
    rm -rf "$dir"
    mkdir -p "$dir"
    cp "$3" "$dir/"
    if [ $# -ge 5 ]; then cp "$4" "$dir/$5"; fi
    echo "$dir"
    ;;
  teardown)
    if [ -d "$WINEPREFIX" ]; then timeout 30 /usr/lib/wine/wineserver -k 2>/dev/null || true; fi
    if [ -f "$E2E_DIR/xvfb.pid" ]; then kill "$(cat "$E2E_DIR/xvfb.pid")" 2>/dev/null || true; rm -f "$E2E_DIR/xvfb.pid"; fi
    ;;
  *)
    echo "usage: $0 setup|run|teardown" >&2
    exit 2
    ;;
esac
