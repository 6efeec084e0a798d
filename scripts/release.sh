#!/usr/bin/env bash
# Builds the release zips dist/diagreso-VERSION-win32.zip and -win64.zip: the exe, the
# sample fc_img_024.gif, the help page decalage.htm (for a distributor who hosts it) and
# LISEZMOI.txt (Windows-1252, CRLF, for every Notepad).
# Each exe is packaged only after the end-to-end tests have passed on that very file: the
# 64-bit one under 64-bit Wine, the 32-bit one under 32-bit Wine. Where the kernel cannot
# run i386 programs (so no 32-bit Wine), the 32-bit zip is not written and the script
# fails, saying why: an untested exe is not released.
#
# usage: scripts/release.sh            (as root on Debian 12)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/setup.sh
version=$(sed -n 's/^project(diagreso VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

for preset in win64 win32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
scripts/check-exe.sh
scripts/run-e2e.sh build/win64
archs=(win64)
untested=
if why=$(scripts/i386-check.sh); then
    scripts/run-e2e.sh build/win32
    archs+=(win32)
else
    untested="the 32-bit exe could not be tested here, so it is not released: $why"
fi

mkdir -p dist
for arch in "${archs[@]}"; do
    stage=$(mktemp -d)
    cp build/$arch/src/diagreso.exe "$stage/diagreso.exe"
    cp assets/rendered/fc_img_024.gif assets/decalage.htm "$stage/"
    iconv -f UTF-8 -t WINDOWS-1252 release/LISEZMOI.txt | sed 's/$/\r/' >"$stage/LISEZMOI.txt"
    # Fixed dates and order, so the same inputs give the same zip.
    touch -d "@$(git log -1 --format=%ct)" "$stage"/*
    zip="$root/dist/diagreso-$version-$arch.zip"
    rm -f "$zip"
    (cd "$stage" && zip -q -X -D "$zip" diagreso.exe fc_img_024.gif decalage.htm LISEZMOI.txt)
    rm -rf "$stage"
    echo "$zip: $(stat -c %s "$zip") bytes"
    unzip -l "$zip" | sed 's/^/  /'
done
if [ -n "$untested" ]; then
    rm -f "$root/dist/diagreso-$version-win32.zip"
    echo "release: $untested" >&2
    exit 1
fi
