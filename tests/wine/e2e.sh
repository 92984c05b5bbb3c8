#!/usr/bin/env bash
# Runs the Windows programs' end-to-end tests under Wine on a virtual display.
#   e2e.sh setup|boot|teardown   the Wine prefix and the display (scripts/wine-env.sh)
#   e2e.sh run <scenario> <exe> [args...]   the driver against the program (x86_64 or i686), with
#                             the scenarios of tests/wine/scenarios.txt
#   e2e.sh staged <name> <file>[=<as>]... -- <scenario> <exe> [args...]   run, after making a
#                             folder $E2E_DIR/<name> with copies of the files, each under its own
#                             name or as <as> (a path inside the folder, or a full path: a file
#                             planted there for the run, removed after it)
# E2E_DIR (default build/e2e) holds the prefix, the display number and the outputs. E2E_SCALE
# (default 1) multiplies every time limit, for programs run under emulation. E2E_WINDOWS: below.
set -euo pipefail
E2E_DIR=${E2E_DIR:-build/e2e}
mkdir -p "$E2E_DIR"
export E2E_DIR=$(cd "$E2E_DIR" && pwd)
export WINEPREFIX="$E2E_DIR/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
SCALE=${E2E_SCALE:-1}
root=$(cd "$(dirname "$0")/../.." && pwd)

case "${1:-}" in
  setup | boot | teardown)
    exec "$root/scripts/wine-env.sh" "$1"
    ;;
  run)
    shift
    export DISPLAY=":$(cat "$E2E_DIR/display")" E2E_SCENARIOS="$root/tests/wine/scenarios.txt"
    status=0
    # Files the driver drops on the program's window: through X, as a file manager would.
    export E2E_DROPS="$E2E_DIR/drops.$$"
    mkdir -p "$E2E_DROPS"
    python3 "$root/tests/wine/xdrop.py" --serve "$E2E_DROPS" &
    drops=$!
    # E2E_WINDOWS=98|95: Wine tells varnok.exe and varnok-cli.exe alone, for this run, that they run on
    # that Windows (their AppDefaults; every run of them holds the same lock).
    for app in ${E2E_WINDOWS:+varnok varnok-cli}; do timeout 60 "$WINE" reg add "HKCU\\Software\\Wine\\AppDefaults\\$app.exe" /v Version /d "win$E2E_WINDOWS" /f >/dev/null 2>&1 || status=1; done
    timeout $((180 * SCALE)) "$WINE" "${DRIVER:-$root/build/x86_64/driver.exe}" "$@" || status=$?
    for app in ${E2E_WINDOWS:+varnok varnok-cli}; do timeout 60 "$WINE" reg delete "HKCU\\Software\\Wine\\AppDefaults\\$app.exe" /f >/dev/null 2>&1 || status=1; done
    rm -rf "$E2E_DROPS"
    kill "$drops" 2>/dev/null || true
    exit $status
    ;;
  staged)
    dir="$E2E_DIR/$2"
    shift 2
    rm -rf "$dir"
    planted=() && trap 'rm -f "${planted[@]}"' EXIT
    while [ "$1" != -- ]; do
      f=$1 as=$(basename "$1")
      [[ "$f" == *=* ]] && as=${f#*=} f=${f%%=*}
      [[ "$as" == /* ]] && planted+=("$as") || as=$dir/$as
      mkdir -p "$(dirname "$as")"
      cp "$f" "$as"
      shift
    done
    shift
    "$0" run "$@"
    ;;
  *)
    echo "usage: $0 boot|setup|run|staged|teardown" >&2
    exit 2
    ;;
esac
