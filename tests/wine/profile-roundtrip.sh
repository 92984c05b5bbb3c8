#!/usr/bin/env bash
# A profile written on the host is read by the Windows program under Wine, and the profile the
# Windows program writes back is read on the host.
#   profile-roundtrip.sh <profile tool> <varnok.exe>
set -euo pipefail
tool=$1 exe=$2
here=$(cd "$(dirname "$0")" && pwd)
E2E_DIR=${E2E_DIR:-build/e2e}
windir="$E2E_DIR/prefix/drive_c/windows"
# Wine finds files whatever their case: no other spelling of the profile may stay beside ours.
find "$windir" -maxdepth 1 -iname varnok.ini -delete
ini="$windir/varnok.INI"
"$tool" write "$ini"
# The Windows program shows what the host wrote, then saves it again when closed.
"$here/e2e.sh" run profile "$exe"
expected='PortNo=3
RecentFiles=2
RecentFile0=C:\GAMES\HELLO.BIN
RecentFile1=<the 1500-character path>
RecentAdrss=2
RecentAdrs0=06004000
RecentAdrs1=00200000'
ini=$(find "$windir" -maxdepth 1 -iname varnok.ini | head -n 1)
actual=$("$tool" read "$ini")
if [ "$actual" != "$expected" ]; then
  echo "FAIL: the profile Windows wrote reads back as:"
  echo "$actual"
  exit 1
fi
echo "profile round trip: passed"
