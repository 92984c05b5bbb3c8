#!/usr/bin/env bash
# varnok-cli.exe in a Windows console under Wine: a name beyond ASCII is shown as the console's
# code page has it (Wine shows the console's text on the terminal in UTF-8), while into a pipe the
# program's bytes go unchanged; a profile that cannot be written is said so once, the upload's
# exit code stands, and the profile keeps what it held.
#   cli-console.sh <varnok-cli.exe>
set -uo pipefail
exe=$(realpath "$1")
E2E_DIR=${E2E_DIR:-build/e2e}
export WINEPREFIX="$E2E_DIR/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
# The prefix's display: a Wine program started without one would leave the prefix's desktop
# without a display for every window shown after it.
export DISPLAY=":$(cat "$E2E_DIR/display")"
wine=/usr/lib/wine/wine64
ini="$WINEPREFIX/drive_c/windows/varnok.INI"
work=$(mktemp -d) && trap 'chattr -i "$ini" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1
fail=0
bad() { echo "FAIL: $*"; fail=1; }

missing="Spiel für Jürgen/fehlt ö.elf"
cli=(timeout 60 "$wine" "$exe" --simulate=fast --address 6004000)
# script(1) gives the program a terminal, so Wine gives it a console.
shown=$(timeout 90 script -qec "$(printf '%q ' "${cli[@]}" "$missing")" /dev/null)
grep -qF "Spiel für Jürgen\\fehlt ö.elf: " <<<"$shown" || bad "the console shows: $shown"
piped=$("${cli[@]}" "$missing" 2>&1 >/dev/null | od -An -tx1 | tr -d ' \n')
[[ "$piped" == *"$(printf 'f\xfcr J\xfcrgen' | od -An -tx1 | tr -d ' \n')"* ]] || bad "into a pipe: $piped"

printf 'abc' >a.bin
"${cli[@]}" a.bin >/dev/null 2>&1 || bad "the first upload failed"
cp "$ini" before.ini
# Read-only even for root: the file made immutable (where the file system cannot, the check is skipped).
if chattr +i "$ini" 2>/dev/null; then
  err=$("${cli[@]}" --port 330 a.bin 2>&1 >/dev/null)
  status=$?
  chattr -i "$ini"
  [ $status = 0 ] || bad "exit code $status with a read-only profile"
  [ "$err" = 'varnok-cli: cannot save the history in the profile: C:\windows\varnok.INI: Access denied' ] ||
    bad "with a read-only profile: $err"
  cmp -s "$ini" before.ini || bad "the read-only profile changed"
else
  echo "the profile cannot be made read-only here: that part is skipped"
fi
[ $fail = 0 ] && echo "cli-console: passed"
exit $fail
