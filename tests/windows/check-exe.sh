#!/usr/bin/env bash
# Checks a Windows executable against what Windows 95/98 need (see docs/windows9x.md):
#   check-exe.sh <exe> [--i386] [--console]
# imports only from the documented table, Windows 4.0 header, no ASLR/NX, at most 64 KB, the
# version resource's names; with --i386, no instruction newer than the i386; with --console,
# a console program (varnok-cli) instead of a window program (varnok): it may import what the
# table keeps for varnok-cli.exe alone (Winsock 1.1), and be at most 96 KB and its server's page
# (cli/net/page.html, which it carries whole).
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$1 subsystem=00000002 name=varnok limit=65536 theirs='varnok-cli.exe alone'
[[ " $* " == *" --console "* ]] && subsystem=00000003 name=varnok-cli theirs='^$' \
  limit=$((98304 + $(stat -c %s "$root/cli/net/page.html")))
case "$exe" in *x86_64*) objdump=x86_64-w64-mingw32-objdump ;; *) objdump=i686-w64-mingw32-objdump ;; esac
fail=0
bad() { echo "FAIL: $exe: $*"; fail=1; }

headers=$($objdump -p "$exe") || { echo "FAIL: cannot read $exe"; exit 1; }

# Imports: "DLL Name: X" then one line per function.
allowed=$(grep -E '^\| [A-Z0-9]+\.dll \|' "$root/docs/windows9x.md" | grep -v -- "$theirs" | awk -F'|' '{gsub(/ /,"",$2); gsub(/ /,"",$3); print toupper($2) ":" $3}')
imports=$(echo "$headers" | awk '/DLL Name:/ {dll=toupper($3)} /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ {print dll ":" $3}')
[ -n "$imports" ] || bad "no imports found"
while read -r imp; do
  [ -z "$imp" ] && continue
  grep -qxF "$imp" <<<"$allowed" || bad "imports $imp, which docs/windows9x.md does not list"
done <<<"$imports"
for dll in $(awk '/DLL Name:/ {print toupper($3)}' <<<"$headers"); do grep -q "^$dll:" <<<"$allowed" || bad "imports from $dll"; done

field() { echo "$headers" | awk -v k="$1" '$1 == k {print $2}'; }
[ "$(field MajorOSystemVersion)" = 4 ] && [ "$(field MinorOSystemVersion)" = 0 ] || bad "OS version is not 4.0"
[ "$(field MajorSubsystemVersion)" = 4 ] && [ "$(field MinorSubsystemVersion)" = 0 ] || bad "subsystem version is not 4.0"
[ "$(field Subsystem)" = $subsystem ] || bad "subsystem $(field Subsystem), expected $subsystem"
dllchar=$((16#$(field DllCharacteristics)))
(( dllchar & 0x40 )) && bad "ASLR (dynamic base) is on"
(( dllchar & 0x100 )) && bad "NX compatibility is on"
size=$(stat -c %s "$exe")
(( size <= limit )) || bad "$size bytes, more than $limit"

# The version resource's strings are UTF-16 in the file.
# ...and so are the string table's texts and, in the window programs, the dialog templates'.
texts=(InternalName "$name" OriginalFilename "$name.EXE" 040904b0 "1, 0, 0, 1" "Varnok - Version 1.3 (Beta)"
       "Status:Waiting for Saturn" "Checksum Error" "Saturn Executables (*.bin)|*.bin|All Files (*.*)|*.*||")
[ "$name" = varnok ] && texts+=("&Execute" "E&xit" "Progress2" "VARNOK  Version 1.3" "Windows 95/98 only")
wide=$(strings -el "$exe")
for s in "${texts[@]}"; do
  grep -qF -- "$s" <<<"$wide" || bad "resources lack \"$s\""
done

if [[ " $* " == *" --i386 "* ]]; then
  forbidden='^(cmov|fcmov|fcomi|fucomi|bswap|cmpxchg|xadd|cpuid|rdtsc|ud2|nopw|nopl|movbe|sysenter|sysexit|rdpmc|fxsave|fxrstor)'
  hits=$($objdump -d --no-show-raw-insn "$exe" | awk -F'\t' 'NF >= 2 {print $2}' | grep -E "$forbidden|%x?mm[0-9]|%ymm" | sort | uniq -c)
  [ -z "$hits" ] || bad "instructions newer than the i386: $(echo $hits)"
  $objdump -d --no-show-raw-insn "$exe" | grep -qE $'\tnop[wl]? +[^ ]' && bad "multi-byte NOP"
fi

[ $fail = 0 ] && echo "ok: $exe"
exit $fail
