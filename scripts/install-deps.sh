#!/usr/bin/env bash
# Installs the Debian packages the builds and the test suite need, when they are missing, and
# lets the machine run 32-bit x86 programs when its kernel cannot (below).
#   install-deps.sh [dist]   dist: also what make dist needs (lintian, to check the .deb packages)
# Safe to run again: it only calls apt-get when something is absent.
set -euo pipefail

# fonts-wine: Wine's own fonts, which Debian's Wine only recommends (--no-install-recommends below
# leaves them out). scripts/wine-env.sh puts their Marlett, the font Wine draws the caption buttons
# with, into the Wine prefix: without it the close box shows the letter "r".
# chromium, chromium-driver, python3-selenium: the server's page in a headless browser
# (tests/browser, bench/page_bench.py), under Debian's /usr/bin/python3; fonts-vlgothic: the
# Japanese file name in its screenshot (docs/page.png); curl: a client of the server in the tests
# and the benchmark.
packages=(
  cmake make g++ clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64 fonts-wine xvfb x11-utils imagemagick python3 zip
  wine32:i386 qemu-user-static g++-i686-linux-gnu binutils-sh-elf
  chromium chromium-driver python3-selenium fonts-vlgothic curl
)
[ "${1:-}" = dist ] && packages+=(lintian)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages: ${missing[*]}" >&2
    echo "install-deps: run as root, or install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # 32-bit Wine comes from the i386 half of the archive.
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The i686 release (under 32-bit Wine) and the i386 Linux build are tested here. Where the kernel
# does not run 32-bit x86 programs itself, one binfmt_misc entry for the whole machine,
# "qemu-i386", hands them to qemu-i386-static (F: the emulator is opened now, so it serves in any
# mount namespace). It is made once and left in place; nothing else on the machine changes.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: this machine does not run 32-bit x86 programs; run this script as root once" >&2
    exit 1
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ -e "$binfmt/qemu-i386" ]; then
    echo 1 > "$binfmt/qemu-i386"
  else
    # Another run may register it at the same moment: then theirs serves.
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      > "$binfmt/register" 2>/dev/null || [ -e "$binfmt/qemu-i386" ]
  fi
  /usr/lib/wine/wine --version >/dev/null 2>&1 || { echo "install-deps: 32-bit x86 programs still do not run" >&2; exit 1; }
  echo "install-deps: 32-bit x86 programs now run under qemu-i386-static (binfmt_misc entry qemu-i386)"
fi
