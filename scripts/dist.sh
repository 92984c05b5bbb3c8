#!/usr/bin/env bash
# Release packages:
#   dist/varnok-<version>-windows.zip          the i686 programs (Windows 95 and every later Windows)
#   dist/varnok-<version>-linux-x86_64.tar.gz  the command-line uploader for Linux and its manual page
#   dist/varnok-<version>-linux-i386.tar.gz    the same for 32-bit x86 Linux (static, Pentium Pro and later)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
version=1.3
out=$root/dist
stage=$build/dist-stage
rm -rf "$stage" && mkdir -p "$stage/windows" "$stage/linux" "$out"

cp "$build/i686/varnok.exe" "$build/i686/varnok-cli.exe" "$build/i686/varnok-demo.exe" "$stage/windows/"
sed 's/$/\r/' "$root/README.md" > "$stage/windows/README.TXT"
rm -f "$out/varnok-$version-windows.zip"
(cd "$stage/windows" && zip -q -X "$out/varnok-$version-windows.zip" varnok.exe varnok-cli.exe varnok-demo.exe README.TXT)

for arch in x86_64 i386; do
  program=$build/host/varnok-cli
  [ $arch = i386 ] && program=$build/linux-i386/varnok-cli
  rm -rf "$stage/linux" && mkdir -p "$stage/linux/varnok-$version"
  cp "$program" "$root/cli/varnok-cli.1" "$root/README.md" "$stage/linux/varnok-$version/"
  strip "$stage/linux/varnok-$version/varnok-cli"
  tar -C "$stage/linux" --owner=0 --group=0 -czf "$out/varnok-$version-linux-$arch.tar.gz" "varnok-$version"
done
ls -l "$out"
