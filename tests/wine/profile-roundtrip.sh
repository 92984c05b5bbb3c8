#!/usr/bin/env bash
# A profile written on the host is read by the Windows program under Wine, and the profile the
# Windows program writes back is read on the host.
#   profile-roundtrip.sh <profile tool> <varnok.exe>
set -euo pipefail
tool=$1 exe=$2
windir="${E2E_DIR:-build/e2e}/prefix/drive_c/windows"
# Wine finds files whatever their case: no other spelling of the profile may stay beside ours.
find "$windir" -maxdepth 1 -iname varnok.ini -delete
"$tool" write "$windir/varnok.INI"
# The Windows program shows what the host wrote, then saves it again when closed.
"$(dirname "$0")/e2e.sh" run profile "$exe"
# What the host reads in it: profile-roundtrip.expected.
diff -u "$(dirname "$0")/profile-roundtrip.expected" <("$tool" read "$windir/varnok.INI") ||
  { echo "FAIL: the profile Windows wrote reads back otherwise (above)"; exit 1; }
echo "profile round trip: passed"
