#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (run as root); one command, and
# a second run installs nothing.
#
# Wine: the system's 64-bit Wine from Debian; 32-bit Wine as Debian's own packages
# unpacked into /var/cache/diagreso/wine32 (scripts/wine32-root.sh says why not
# multiarch), so the system's wine stays 64-bit. It runs natively where the kernel runs
# i386 programs and through qemu-i386 where it does not (scripts/i386-mode.sh), and is
# checked once by making a prefix the way it will run.
# Never the system's wine32: it takes over the wine launcher, and on a machine that
# cannot run 32-bit Linux programs that breaks 64-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xdotool x11-utils imagemagick e2fsprogs fonts-liberation icoutils zip unzip libclang-rt-14-dev
  # Release checks: Authenticode signing (osslsigncode 2.5 in Debian 12) and the throwaway
  # test certificate (openssl), the system's roots for a real certificate's chain, strings
  # for build folders left in an exe, git for the second build's copy of the sources.
  osslsigncode openssl ca-certificates binutils git
  # The reports of the command-line tests, validated against docs/rapport.schema.json, and
  # the test runners' XML reports, counted by scripts/count-results.py.
  python3 python3-jsonschema
  # native32: the unit tests built for 32-bit Linux (x87, as the 32-bit exe), run natively
  # where the kernel runs i386 programs and through qemu-i386 elsewhere (32-bit Wine too).
  # The cross C library is named because the compiler only recommends it.
  g++-i686-linux-gnu libc6-dev-i386-cross qemu-user
  # The host's i386 loader and C library, under which 32-bit Wine runs.
  libc6-i386
  # The MSIs: wixl builds them (Debian puts it in its own package, from msitools' sources),
  # msitools' msibuild/msiinfo/msidump set and read them, faketime freezes wixl's clock so
  # the same commit gives the same bytes, lnkinfo reads the shortcuts the install made.
  msitools wixl faketime liblnk-utils
  # The summary page of /synthese, rendered by a real browser (scripts/check-page.sh).
  chromium-headless-shell
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # A mirror in the middle of a sync can serve one index of the wrong size: try again after
  # a pause, then go on with the lists that came; the install says which packages it lacks.
  for try in 1 2 3 4; do
    apt-get update -qq && break
    echo "setup: apt-get update failed (try $try of 4)" >&2
    if [ "$try" -lt 4 ]; then sleep 20; fi
  done
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if dpkg-query -W -f='${Status}' wine32 2>/dev/null | grep -q "install ok installed"; then
  echo "setup: wine32 is installed and breaks 64-bit Wine here; remove it (apt-get purge wine32)" >&2
  exit 1
fi

# 32-bit Wine wherever 32-bit programs can run, natively or emulated. A mirror out of
# reach (3) leaves the 32-bit tiers to say they were not run; a root that cannot make a
# prefix is a fault of this setup, and says so here.
if why=$(scripts/i386-mode.sh); then
  rc=0
  scripts/wine32-root.sh >/dev/null || rc=$?
  if [ "$rc" -eq 3 ]; then
    echo "setup: 32-bit Wine could not be downloaded; the 32-bit tiers will not run" >&2
  elif [ "$rc" -ne 0 ]; then
    echo "setup: 32-bit Wine is broken (scripts/wine32-root.sh)" >&2
    exit 1
  fi
else
  echo "setup: 32-bit Wine not installed: $why"
fi
