#!/usr/bin/env bash
# Writes the Windows Installer package OUTDIR/diagreso-VERSION-ARCH.msi for each ARCH=EXE
# given, from packaging/diagreso.wxs under SRC, with wixl (msitools 0.101): the exe and
# the readme as diagreso-LISEZMOI.txt (Windows-1252, CRLF), nothing else. Not
# fc_img_024.gif: the folder is the point-of-sale program's, which may have its own.
# The same inputs give the same bytes. wixl alone would not: it writes a random package
# code and the time of the build into the summary information. So wixl runs under
# faketime, frozen at SOURCE_DATE_EPOCH (default SRC's last commit), and msibuild then
# replaces the package code with one derived from the version, the architecture and the
# commit (DIAGRESO_COMMIT, default SRC's HEAD). msibuild also sets the database's code
# page to 1252 (wixl 0.101 leaves it neutral, read in whatever code page the till uses)
# and the summary's language to French.
# The product code is derived from the version and the architecture: every version is a
# new product, which the next one replaces (major upgrade).
# What wixl 0.101 cannot write, msibuild adds to its tables (packaging/diagreso.wxs says
# why each is needed): the exe's file version (scripts/exe-version.py) in the File table,
# without the hash Windows Installer keeps for unversioned files only; the RemoveFile rows
# that take the exe and the readme out of the folder an upgrade moves away from; and the
# search for the folder the program's component is installed in (CompLocator).
#
# usage: scripts/build-msi.sh [--version X.Y.Z] SRC OUTDIR ARCH=EXE...
#        (--version: another version than SRC's, for the upgrade test)
set -euo pipefail
version=
if [ "${1:-}" = --version ]; then version=$2; shift 2; fi
(($# >= 3)) || { echo "usage: $0 [--version X.Y.Z] SRC OUTDIR ARCH=EXE..." >&2; exit 2; }
src=$(cd "$1" && pwd) out=$2
shift 2
[ -n "$version" ] || version=$(sed -n 's/^project(diagreso VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "build-msi: no version X.Y.Z ($version)" >&2; exit 1; }
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct)}
commit=${DIAGRESO_COMMIT:-$(git -C "$src" rev-parse HEAD)}
for tool in wixl msibuild faketime; do
    command -v "$tool" >/dev/null || { echo "build-msi: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
# The cabinet keeps each file's date in local time.
export TZ=UTC
# A frozen clock (no "@"): every time wixl asks is the same second.
frozen=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')

mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
guid() { python3 -c 'import sys, uuid; print("{%s}" % str(uuid.uuid5(uuid.NAMESPACE_URL, sys.argv[1])).upper())' "$1"; }
for pair in "$@"; do
    arch=${pair%%=*} exe=${pair#*=}
    case $arch in
    win64) wixl_arch=x64 template="x64;1036" ;;
    win32) wixl_arch=x86 template="Intel;1036" ;;
    *) echo "build-msi: not ARCH=EXE: $pair" >&2; exit 2 ;;
    esac
    [ -f "$exe" ] || { echo "build-msi: no exe $exe" >&2; exit 2; }
    # wixl finds sources only beside the .wxs, under the names it gives them.
    dir="$stage/$arch"
    mkdir "$dir"
    cp "$src/packaging/diagreso.wxs" "$dir/"
    cp "$exe" "$dir/diagreso.exe"
    iconv -f UTF-8 -t WINDOWS-1252 "$src/release/LISEZMOI.txt" | sed 's/$/\r/' >"$dir/diagreso-LISEZMOI.txt"
    printf '\r\n\r\n1252\t_ForceCodepage\r\n' >"$dir/codepage.idt"
    touch -d "@$epoch" "$dir"/*

    product=$(guid "diagreso:msi:product:$version:$arch")
    package=$(guid "diagreso:msi:package:$version:$arch:$commit")
    msi="$out/diagreso-$version-$arch.msi"
    rm -f "$msi"
    # -s goes last: msibuild 0.101 skips the argument after its fourth value.
    faketime -f "$frozen" wixl -a "$wixl_arch" -D Arch="$wixl_arch" -D Version="$version" \
        -D ProductCode="$product" -o "$msi" "$dir/diagreso.wxs" 2>"$dir/wixl.log" ||
        { cat "$dir/wixl.log" >&2; echo "build-msi: wixl failed for $arch" >&2; rm -f "$msi"; exit 1; }
    exe_version=$(python3 "$src/scripts/exe-version.py" "$dir/diagreso.exe") ||
        { echo "build-msi: no file version in $exe" >&2; rm -f "$msi"; exit 1; }
    program=$(msiinfo export "$msi" Component | tr -d '\r' | awk -F'\t' '$1 == "Programme" { print $2 }')
    [ -n "$program" ] || { echo "build-msi: no component Programme in the package" >&2; rm -f "$msi"; exit 1; }
    {
        printf 'FileKey\tComponent_\tFileName\tDirProperty\tInstallMode\r\ns72\ts72\tS255\ts72\ti2\r\nRemoveFile\tFileKey\r\n'
        printf '%s\t%s\t%s\tANCIEN_DOSSIER\t1\r\n' AncienProgramme Programme diagreso.exe \
            AncienLisezmoi Lisezmoi diagreso-LISEZMOI.txt
    } >"$dir/RemoveFile.idt"
    # Type 1 and no Signature row: the folder of the component's key file.
    printf 'Signature_\tComponentId\tType\r\ns72\ts38\tI2\r\nCompLocator\tSignature_\r\nProgrammeInstalle\t%s\t1\r\n' \
        "$program" >"$dir/CompLocator.idt"
    faketime -f "$frozen" msibuild "$msi" -i "$dir/codepage.idt" -i "$dir/RemoveFile.idt" -i "$dir/CompLocator.idt" \
        -q "UPDATE \`File\` SET \`Version\` = '$exe_version' WHERE \`File\` = 'diagreso.exe'" \
        -q "DELETE FROM \`MsiFileHash\` WHERE \`File_\` = 'diagreso.exe'" \
        -q "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('DOSSIER_PROGRAMME', 'ProgrammeInstalle')" \
        -s "diagreso, pour le logiciel de caisse" diagreso "$template" "$package" ||
        { echo "build-msi: msibuild failed for $arch" >&2; rm -f "$msi"; exit 1; }
    echo "$msi: product $product, package $package, exe $exe_version"
done
