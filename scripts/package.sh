#!/usr/bin/env bash
# Writes a release zip OUTDIR/diagreso-VERSION-ARCH.zip and a Windows Installer package
# OUTDIR/diagreso-VERSION-ARCH.msi (scripts/build-msi.sh) for each ARCH=EXE given, and
# their checksums OUTDIR/SHA256SUMS. Each zip holds the exe, the sample fc_img_024.gif,
# the help page decalage.htm (for a distributor who hosts it) and LISEZMOI.txt
# (Windows-1252, CRLF, for every Notepad), taken from the sources under SRC.
# The same inputs give the same bytes whatever the folder, user, umask or time zone:
# fixed order, dates (SOURCE_DATE_EPOCH, default SRC's last commit), modes, and no
# extra attributes.
# SHA256SUMS, in the format sha256sum -c reads, lists each zip and the exe inside it as
# Windows' "Extract all" unpacks it beside the zip: diagreso-VERSION-win64/diagreso.exe,
# and each MSI. With --sign-msi the MSIs are signed (scripts/sign-exe.sh, the certificate
# in its variables) before their checksums are taken.
#
# usage: scripts/package.sh [--sign-msi] SRC OUTDIR ARCH=EXE...   (e.g. win64=build/win64/src/diagreso.exe)
set -euo pipefail
sign_msi=
if [ "${1:-}" = --sign-msi ]; then sign_msi=1; shift; fi
(($# >= 3)) || { echo "usage: $0 [--sign-msi] SRC OUTDIR ARCH=EXE..." >&2; exit 2; }
src=$1 out=$2
shift 2
version=$(sed -n 's/^project(diagreso VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
[ -n "$version" ] || { echo "package: no version in $src/CMakeLists.txt" >&2; exit 1; }
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct)}
# zip stores local times: the same moment must give the same bytes in every time zone.
export TZ=UTC

mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
sums=()
for pair in "$@"; do
    arch=${pair%%=*} exe=${pair#*=}
    [[ "$arch" =~ ^win(32|64)$ && -f "$exe" ]] || { echo "package: not ARCH=EXE: $pair" >&2; exit 2; }
    dir="$stage/$arch"
    mkdir "$dir"
    cp "$exe" "$dir/diagreso.exe"
    cp "$src/assets/rendered/fc_img_024.gif" "$src/assets/decalage.htm" "$dir/"
    iconv -f UTF-8 -t WINDOWS-1252 "$src/release/LISEZMOI.txt" | sed 's/$/\r/' >"$dir/LISEZMOI.txt"
    chmod 644 "$dir"/*
    touch -d "@$epoch" "$dir"/*
    name="diagreso-$version-$arch"
    rm -f "$out/$name.zip"
    (cd "$dir" && zip -q -X -D "$out/$name.zip" diagreso.exe fc_img_024.gif decalage.htm LISEZMOI.txt)
    sums+=("$(sha256sum <"$out/$name.zip" | cut -d' ' -f1)  $name.zip")
    sums+=("$(sha256sum <"$dir/diagreso.exe" | cut -d' ' -f1)  $name/diagreso.exe")
    "$(dirname "${BASH_SOURCE[0]}")/build-msi.sh" "$src" "$stage/msi" "$arch=$exe" >/dev/null
    if [ -n "$sign_msi" ]; then
        "$(dirname "${BASH_SOURCE[0]}")/sign-exe.sh" "$stage/msi/$name.msi" "$out/$name.msi" >"$stage/sign-$arch.log" ||
            { cat "$stage/sign-$arch.log" >&2; exit 1; }
    else
        cp "$stage/msi/$name.msi" "$out/$name.msi"
    fi
    sums+=("$(sha256sum <"$out/$name.msi" | cut -d' ' -f1)  $name.msi")
done
printf '%s\n' "${sums[@]}" >"$out/SHA256SUMS"
