#!/usr/bin/env bash
# A Wine prefix and a virtual display for the Windows programs: the demo, the benchmark and the
# end-to-end tests run them there.
#   wine-env.sh setup      one Wine prefix and one Xvfb display under $E2E_DIR; the prefix runs
#                          64-bit and 32-bit programs
#   wine-env.sh boot       the Wine prefix alone (for a display of one's own)
#   wine-env.sh fonts      Wine's Marlett into an existing prefix (boot and setup put it there)
#   wine-env.sh teardown   stops this prefix's wineserver and this display
# E2E_DIR (default build/e2e) holds the prefix and the display number.
set -euo pipefail
E2E_DIR=${E2E_DIR:-build/e2e}
mkdir -p "$E2E_DIR"
E2E_DIR=$(cd "$E2E_DIR" && pwd)
export WINEPREFIX="$E2E_DIR/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINE32_DLLS=/usr/lib/i386-linux-gnu/wine/i386-windows
WINE_FONTS=/usr/share/wine/fonts

# Wine draws the caption buttons (the close box among them) with its Marlett font, which fonts-wine
# has in /usr/share/wine/fonts. Debian's Wine 8.0 looks for its own fonts at
# Z:\usr\share\wine\../fonts\, a name that does not resolve, so it never loads them from there
# (the close box then shows the letter "r"); it does load those in the prefix's Fonts folder. Only
# Marlett goes there: Wine's System and MS Sans Serif would change every dialog's text and size.
have_fonts() {
  [ -f "$WINE_FONTS/marlett.ttf" ] && return
  echo "wine-env: no $WINE_FONTS/marlett.ttf (Wine's fonts): run scripts/install-deps.sh" >&2
  exit 1
}
fonts() {
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp "$WINE_FONTS/marlett.ttf" "$WINEPREFIX/drive_c/windows/Fonts/"
}

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
  fonts
}

case "${1:-}" in
  boot)
    have_fonts
    boot
    ;;
  fonts)
    have_fonts
    fonts
    ;;
  setup)
    have_fonts
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
    # A program that faults ends at once: no crash debugger that waits for a click (64- and 32-bit).
    for key in 'HKLM\Software' 'HKLM\Software\Wow6432Node'; do
      timeout 60 "$WINE" reg add "$key\Microsoft\Windows NT\CurrentVersion\AeDebug" /v Debugger /d '' /f >/dev/null 2>&1 || true
    done
    timeout 60 /usr/lib/wine/wineserver -w || true
    echo "Wine prefix ready on display $DISPLAY"
    ;;
  teardown)
    if [ -d "$WINEPREFIX" ]; then timeout 30 /usr/lib/wine/wineserver -k 2>/dev/null || true; fi
    if [ -f "$E2E_DIR/xvfb.pid" ]; then kill "$(cat "$E2E_DIR/xvfb.pid")" 2>/dev/null || true; rm -f "$E2E_DIR/xvfb.pid"; fi
    ;;
  *)
    echo "usage: $0 setup|boot|fonts|teardown" >&2
    exit 2
    ;;
esac
