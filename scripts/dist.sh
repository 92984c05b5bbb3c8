#!/usr/bin/env bash
# Release packages:
#   dist/varnok-<version>-windows.zip          the i686 programs (Windows 95 and every later Windows)
#   dist/varnok-<version>-linux-x86_64.tar.gz  the command-line uploader for Linux and its manual page
#   dist/varnok-<version>-linux-i386.tar.gz    the same for 32-bit x86 Linux (static, Pentium Pro and later)
#   dist/varnok-cli_<version>_amd64.deb, dist/varnok-cli_<version>_i386.deb
#                                              the same programs as Debian packages (lintian checks them)
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

# The Debian packages: the program (linked statically: they depend on nothing), its manual page,
# the copyright and the changelog.
maintainer="Varnok maintainers <maintainers@users.noreply.c-seed-18177c41.example>"
released=$(date -R -d "@$(git -C "$root" log -1 --format=%at 2>/dev/null || date +%s)")
for arch in amd64 i386; do
  program=$build/host/varnok-cli
  [ $arch = i386 ] && program=$build/linux-i386/varnok-cli
  pkg=$stage/deb-$arch
  doc=$pkg/usr/share/doc/varnok-cli
  rm -rf "$pkg"
  install -d -m 755 "$pkg/DEBIAN" "$pkg/usr/bin" "$pkg/usr/share/man/man1" "$doc" "$pkg/usr/share/lintian/overrides"
  install -m 755 "$program" "$pkg/usr/bin/varnok-cli"
  strip --remove-section=.comment "$pkg/usr/bin/varnok-cli"
  gzip -9n < "$root/cli/varnok-cli.1" > "$pkg/usr/share/man/man1/varnok-cli.1.gz"
  printf '%s\n' "varnok-cli, the command-line uploader of Varnok $version." "" \
    "Copyright (C) $(date -d "$released" +%Y) the Varnok developers." > "$doc/copyright"
  printf '%s\n' "varnok-cli ($version) unstable; urgency=medium" "" \
    "  * Varnok $version: the command-line uploader for Linux, as a Debian package." "" \
    " -- $maintainer  $released" | gzip -9n > "$doc/changelog.gz"
  # Static on purpose: the same program runs on any distribution.
  echo "varnok-cli: statically-linked-binary [usr/bin/varnok-cli]" > "$pkg/usr/share/lintian/overrides/varnok-cli"
  chmod 644 "$doc/copyright" "$doc/changelog.gz" "$pkg/usr/share/man/man1/varnok-cli.1.gz" \
    "$pkg/usr/share/lintian/overrides/varnok-cli"
  cat > "$pkg/DEBIAN/control" <<CONTROL
Package: varnok-cli
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk "$pkg/usr" | cut -f1)
Section: electronics
Priority: optional
Description: send programs to a Saturn console through its ISA link card
 varnok-cli sends a console executable to a Saturn games console through a
 SATURN ProActionReplay or X-TERMINATOR cartridge, whose PC side is an ISA
 link card at I/O port 0x300, 0x310, 0x320 or 0x330: a raw file at its start
 address, or a linked SuperH ELF program as objcopy -O binary makes it.
 Made for build scripts: exit codes, a time limit, a watch mode that sends
 each new build; --simulate tries it without a card.
CONTROL
  (cd "$pkg" && find usr -type f -exec md5sum {} +) > "$pkg/DEBIAN/md5sums"
  deb=$out/varnok-cli_${version}_$arch.deb
  dpkg-deb --root-owner-group --build "$pkg" "$deb" >/dev/null
  lintian --fail-on error "$deb"
done
ls -l "$out"
