#!/usr/bin/env bash
# Runs the Windows programs' end-to-end tests under Wine on a virtual display.
#   e2e.sh setup|boot|teardown   the Wine prefix and the display (scripts/wine-env.sh)
#   e2e.sh run <scenario> <exe> [args...]   the driver against the program (x86_64 or i686)
#   e2e.sh stage <name> <file>[=<as>]...   a folder $E2E_DIR/<name> with copies of the files,
#                             each under its own name or as <as> (a path inside the folder)
#   e2e.sh staged <name> <file>[=<as>]... -- <scenario> <exe> [args...]   stage, then run
# E2E_DIR (default build/e2e) holds the prefix, the display number and the outputs. E2E_SCALE
# (default 1) multiplies every time limit, for programs run under emulation.
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
  *)
    echo "usage: $0 boot|setup|run|stage|staged|teardown" >&2
    exit 2
    ;;
esac
