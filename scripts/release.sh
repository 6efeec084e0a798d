#!/usr/bin/env bash
# Builds the release zips dist/diagreso-VERSION-win32.zip and -win64.zip: the exe, the
# sample fc_img_024.gif, the help page decalage.htm (for a distributor who hosts it) and
# LISEZMOI.txt (Windows-1252, CRLF, for every Notepad); and the Windows Installer packages
# dist/diagreso-VERSION-win32.msi and -win64.msi (scripts/build-msi.sh): the same exe and
# the readme as diagreso-LISEZMOI.txt, never a picture the point-of-sale folder may have.
# Each exe is packaged only after the end-to-end tests have passed on that very file: the
# 64-bit one under 64-bit Wine, the 32-bit one under 32-bit Wine, natively or under
# qemu-i386 (scripts/i386-mode.sh; under emulation only the tests tests/qemu-i386.txt lets
# run there), and the script says which. Where they could not run (no 32-bit Wine, or none
# of them runs under emulation), the 32-bit zip is not written and the script fails,
# saying why: an untested exe is not released.
# What ships is proven to be what the commit builds anywhere: both exes are built again
# from a copy of the sources in another folder and compared byte for byte, and the zips
# are made again from that copy and compared. dist/SHA256SUMS lists the zips and the exes
# inside them, and is checked on the zips as Windows extracts them.
# With a code-signing certificate (scripts/sign-exe.sh: DIAGRESO_SIGN_PKCS12,
# DIAGRESO_SIGN_PASSWORD, optionally DIAGRESO_SIGN_TIMESTAMP_URL) the exes are signed
# before zipping; without one the release is unsigned, and says so.
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
tested32=
if how=$(scripts/i386-mode.sh); then
    said=$(mktemp -d)
    rc=0
    DIAGRESO_TEST_REPORTS=$said scripts/run-e2e.sh build/win32 || rc=$?
    told=$(cat "$said/e2e32.how" 2>/dev/null || true)
    rm -rf "$said"
    case $rc in
    0) archs+=(win32); tested32="the 32-bit exe's end-to-end tests ran ${told:-natively} and passed" ;;
    3) untested="the 32-bit exe could not be tested here (32-bit Wine could not start), so it is not released" ;;
    4) untested="the 32-bit exe's end-to-end tests were ${told:-not run under emulation}, so it is not released" ;;
    *) echo "release: the 32-bit exe's end-to-end tests failed" >&2; exit 1 ;;
    esac
else
    untested="the 32-bit exe could not be tested here, so it is not released: $how"
fi
[ -n "$tested32" ] && echo "release: $tested32"
# Each package released is first installed, upgraded and removed by Wine's msiexec.
for arch in "${archs[@]}"; do
    scripts/check-msi.sh "build/$arch"
done

# ---- Reproducible, signed when a certificate is given, with checksums.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The zips' and MSIs' dates: the commit's, the same in every build of it; the MSIs'
# package codes name the commit (the second folder is no git checkout).
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
DIAGRESO_COMMIT=$(git rev-parse HEAD)
export SOURCE_DATE_EPOCH DIAGRESO_COMMIT
if [ -n "$(git status --porcelain)" ]; then
    echo "release: WARNING: the working tree has uncommitted changes; no commit rebuilds this release"
fi

# Both exes again, from a copy of the sources in another folder: byte for byte the same.
scripts/check-reproducible.sh --copy-to "$work/second" "${archs[@]}"

# Signed before zipping; each signature is checked and, removed, gives back the tested exe.
# A second signing would differ (signing time, time stamp), so the second folder's zips
# take the same signed exes and prove the packaging; unsigned, they take its own exes.
mkdir "$work/ship"
here=() there=()
for arch in "${archs[@]}"; do
    if [ -n "${DIAGRESO_SIGN_PKCS12:-}" ]; then
        scripts/sign-exe.sh "build/$arch/src/diagreso.exe" "$work/ship/$arch.exe"
        scripts/check-exe.sh "$work/ship/$arch.exe"
        there+=("$arch=$work/ship/$arch.exe")
    else
        cp "build/$arch/src/diagreso.exe" "$work/ship/$arch.exe"
        there+=("$arch=$work/second/build/$arch/src/diagreso.exe")
    fi
    here+=("$arch=$work/ship/$arch.exe")
done
if [ -n "${DIAGRESO_SIGN_PKCS12:-}" ]; then
    signature="signed ($("${OSSLSIGNCODE:-osslsigncode}" --version 2>&1 | head -n 1 | sed 's/, using://'))"
else
    echo "release: no code-signing certificate given (DIAGRESO_SIGN_PKCS12): the exes are NOT signed"
    signature="NOT signed"
fi

# The zips, MSIs and SHA256SUMS, made here and again from the other folder: the same
# bytes. Signed, the MSIs are signed here only (a signature differs at each signing): the
# other folder's are compared with them table for table once their signature is removed.
sign_msi=()
[ -n "${DIAGRESO_SIGN_PKCS12:-}" ] && sign_msi=(--sign-msi)
scripts/package.sh "${sign_msi[@]}" "$root" "$work/dist" "${here[@]}"
scripts/package.sh "$work/second" "$work/dist-second" "${there[@]}"
for f in "$work/dist"/*; do
    name=${f##*/}
    if [ -n "${sign_msi[*]}" ] && [ "$name" = SHA256SUMS ]; then
        diff <(grep -v '\.msi$' "$f") <(grep -v '\.msi$' "$work/dist-second/$name")
        echo "  ok    $name: the same lines for the zips and exes from both folders (the MSIs' are of the signed ones)"
    elif [ -n "${sign_msi[*]}" ] && [[ "$name" == *.msi ]]; then
        rm -rf "$work/cmp" && mkdir -p "$work/cmp/a" "$work/cmp/b"
        "${OSSLSIGNCODE:-osslsigncode}" remove-signature -in "$f" -out "$work/cmp/unsigned.msi" >/dev/null
        msidump -t -s -d "$work/cmp/a" "$work/cmp/unsigned.msi" >/dev/null
        msidump -t -s -d "$work/cmp/b" "$work/dist-second/$name" >/dev/null
        diff -r "$work/cmp/a" "$work/cmp/b" >/dev/null || { echo "release: $name differs from the second folder's" >&2; exit 1; }
        echo "  ok    $name: signed; without its signature, the second folder's package table for table"
    else
        cmp "$f" "$work/dist-second/$name"
        echo "  ok    $name: byte-identical from $root and from the second folder"
    fi
done

mkdir -p dist
# Nothing of an earlier release stays beside this one's SHA256SUMS.
rm -f dist/diagreso-*.zip dist/diagreso-*.msi dist/SHA256SUMS
cp "$work/dist"/* dist/
for zip in "$work/dist"/*.zip; do
    zip=dist/${zip##*/}
    echo "$zip: $(stat -c %s "$zip") bytes"
    unzip -l "$zip" | sed 's/^/  /'
done
for msi in "$work/dist"/*.msi; do
    msi=dist/${msi##*/}
    echo "$msi: $(stat -c %s "$msi") bytes, version $(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductVersion" { print $2 }'), product code $(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }')"
done
echo "dist/SHA256SUMS:"
sed 's/^/  /' dist/SHA256SUMS
scripts/check-sums.sh dist
echo "release $version: $signature, reproducible, checksums checked"
[ -n "$tested32" ] && echo "release: $tested32"
if [ -n "$untested" ]; then
    echo "release: $untested" >&2
    exit 1
fi
