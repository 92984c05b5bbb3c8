#!/usr/bin/env bash
# Runs the Windows program's end-to-end tests under Wine on a virtual display.
#   e2e.sh setup              one Wine prefix and one Xvfb display for this run, under $E2E_DIR;
#                             the prefix runs 64-bit and 32-bit programs
#   e2e.sh boot               the Wine prefix alone (for a display of one's own)
#   e2e.sh run <scenario> <exe> [args...]   the driver against the program (x86_64 or i686)
#   e2e.sh stage <name> <file>[=<as>]...   a folder $E2E_DIR/<name> with copies of the files,
#                             each under its own name or as <as> (a path inside the folder)
#   e2e.sh staged <name> <file>[=<as>]... -- <scenario> <exe> [args...]   stage, then run
#   e2e.sh teardown           stops this prefix's wineserver and this run's Xvfb
# E2E_DIR (default build/e2e) holds the prefix, the display number and the outputs. E2E_SCALE
# (default 1) multiplies every time limit, for programs run under emulation.
set -euo pipefail
E2E_DIR=${E2E_DIR:-build/e2e}
mkdir -p "$E2E_DIR"
E2E_DIR=$(cd "$E2E_DIR" && pwd)
export WINEPREFIX="$E2E_DIR/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINE32_DLLS=/usr/lib/i386-linux-gnu/wine/i386-windows
SCALE=${E2E_SCALE:-1}

# Where 32-bit Wine is installed, wineboot would set up the prefix's 32-bit half by running 32-bit
# programs, which this kernel runs only under emulation: ten minutes and more. So the 32-bit
# loader is hidden from wineboot (in a mount namespace of its own: nothing changes for anyone else
# on the machine) and Wine's own 32-bit DLLs are then copied into the 32-bit system folder, which
# is all that the 32-bit programs need from the prefix.
boot() {
  local boot=("$WINE" wineboot -i)
  if [ -x "$WINE32" ] && [ -d "$WINE32_DLLS" ] && [ "$(id -u)" = 0 ]; then
    boot=(unshare --mount --propagation private sh -c 'mount --bind /dev/null "$0" && exec "$@"' "$WINE32" "${boot[@]}")
  fi
  timeout 300 "${boot[@]}" >/dev/null 2>&1
  if [ -x "$WINE32" ] && [ -d "$WINE32_DLLS" ]; then
    mkdir -p "$WINEPREFIX/drive_c/windows/syswow64"
    cp -r "$WINE32_DLLS/." "$WINEPREFIX/drive_c/windows/syswow64/"
  fi
}

case "${1:-}" in
  boot)
    boot
    ;;
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
    boot
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
    # Files the driver drops on the program's window: through X, as a file manager would.
    export E2E_DROPS="$E2E_DIR/drops.$$"
    mkdir -p "$E2E_DROPS"
    python3 "$root/tests/wine/xdrop.py" --serve "$E2E_DROPS" &
    drops=$!
    timeout $((180 * SCALE)) "$WINE" "${DRIVER:-$root/build/x86_64/driver.exe}" "$scenario" "$exe_win" "${args[@]}" || status=$?
    rm -rf "$E2E_DROPS"
    kill "$drops" 2>/dev/null || true
    exit $status
    ;;
  stage)
    dir="$E2E_DIR/$2"
    shift 2
    rm -rf "$dir"
    mkdir -p "$dir"
    for f in "$@"; do
      as=$(basename "$f")
      [[ "$f" == *=* ]] && as=${f#*=} f=${f%%=*}
      mkdir -p "$(dirname "$dir/$as")"
      cp "$f" "$dir/$as"
    done
    echo "$dir"
    ;;
  staged)
    files=()
    for ((i = 2; i <= $#; i++)); do [ "${!i}" = -- ] && break; files+=("${!i}"); done
    "$0" stage "${files[@]}" >/dev/null
    shift "$i"
    exec "$0" run "$@"
    ;;
  teardown)
    if [ -d "$WINEPREFIX" ]; then timeout 30 /usr/lib/wine/wineserver -k 2>/dev/null || true; fi
    if [ -f "$E2E_DIR/xvfb.pid" ]; then kill "$(cat "$E2E_DIR/xvfb.pid")" 2>/dev/null || true; rm -f "$E2E_DIR/xvfb.pid"; fi
    ;;
  *)
    echo "usage: $0 boot|setup|run|stage|staged|teardown" >&2
    exit 2
    ;;
esac
