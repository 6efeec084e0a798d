#!/usr/bin/env bash
# Installs the MSI of BUILD_DIR's exe with Wine's own msiexec, silently, into a fresh
# prefix of the exe's architecture, as a deployment tool would, and checks what a till
# gets: the tested exe byte for byte and nothing but the three files; both shortcuts,
# naming the exe, starting in C:\Caisse\, with no icon of their own (the shell shows the
# exe's); the exe started there makes its record there. Then a package of a higher
# version, built here from a different exe, is installed over it: one product left, the
# new exe, the record untouched; the first package, now older, is refused. Last the
# uninstall: the files and shortcuts go, W_ECRA_R.WDO stays byte for byte, and its folder.
# The 32-bit package runs under the private 32-bit Wine natively only: under qemu-i386
# the exe's window, which makes the record, cannot run (tests/qemu-i386.txt, win32).
# Writes DIAGRESO_TEST_REPORTS/msi64.xml or msi32.xml (and msi32.how) for scripts/test.sh.
# Exits 3 where 32-bit Wine cannot run, 4 where it runs only emulated: not run.
#
# usage: scripts/check-msi.sh BUILD_DIR      (build/win64 or build/win32)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:?usage: $0 BUILD_DIR}
exe=$build/src/diagreso.exe
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
arch=$(wine_pe_arch "$exe") || exit 1
tier=msi64; [ "$arch" = win32 ] && tier=msi32
wine_session "$build" "$arch" || exit $?
if [ "$arch" = win32 ]; then
    if [ "$WINE_ENV_I386" = qemu ]; then
        why="emulation: the exe's window, which makes the record, cannot run under qemu-i386"
        echo "$tier: not run ($why)"
        wine_tier_how "$tier" "not run ($why)"
        exit 4
    fi
    wine_tier_how "$tier" natively
fi

work=$(mktemp -d)
trap 'wine_cleanup; rm -rf "$work"' EXIT
results=$work/results
check() { # NAME RESULT(0 ok)
    if [ "$2" -eq 0 ]; then echo "  ok    $1"; echo "ok	$1" >>"$results"
    else echo "  FAIL  $1"; echo "fail	$1" >>"$results"; fi
}

# The release's package of the tested exe, and a higher version of a different exe (the
# same one with bytes after its end: it still runs, and cannot be taken for the first).
version=$(sed -n 's/^project(diagreso VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
IFS=. read -r major minor patch <<<"$version"
newer=$major.$minor.$((patch + 1))
cp "$exe" "$work/newer.exe" && head -c 512 /dev/zero >>"$work/newer.exe"
"$root/scripts/build-msi.sh" "$root" "$work/msi" "$arch=$exe" >"$work/build.log" 2>&1 &&
    "$root/scripts/build-msi.sh" --version "$newer" "$root" "$work/msi" "$arch=$work/newer.exe" >>"$work/build.log" 2>&1
check "$arch: packages $version and $newer built" $? || true
[ -f "$work/msi/diagreso-$newer-$arch.msi" ] || { cat "$work/build.log"; exit 1; }
product() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'; }
old_code=$(product "$work/msi/diagreso-$version-$arch.msi")
new_code=$(product "$work/msi/diagreso-$newer-$arch.msi")

wine_prefix_fresh "msi-$arch" || exit 1
c=$WINEPREFIX/drive_c
# Wine links the user's desktop to the Unix home: a real folder keeps the install inside
# the prefix.
desk="$c/users/$(id -un)/Desktop"
[ -L "$desk" ] && rm "$desk" && mkdir "$desk"
cp "$work/msi"/*.msi "$c/"
msiexec() { # LOG ARGS...: Wine's msiexec, waited for; its exit code
    local log=$1; shift
    wine msiexec "$@" /qn '/l*v' "C:\\$log"
    local rc=$?
    wineserver -w
    return $rc
}
# The products Windows Installer lists as installed (the Uninstall entries). Wine reads
# stdin: none for the inner one, or it eats the list; grep reads to the end (no -q: under
# pipefail a reader that stops early fails the pipe).
products() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null |
        tr -d '\r' | grep -o '{[0-9A-F-]*}$' | while read -r code; do
            wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code" /v DisplayName </dev/null 2>/dev/null |
                tr -d '\r' | grep 'REG_SZ *diagreso$' >/dev/null && echo "$code"
        done | sort | paste -sd ' '
}
# Where this Wine's msiexec puts the desktop and Start-menu shortcuts, from its log.
folder_of() { # LOG PROPERTY -> Unix folder
    local win
    win=$(iconv -f WINDOWS-1252 -t UTF-8 "$c/$1" | tr -d '\r' | sed -n "s/^Property(S): $2 = //p" | head -n 1)
    [ -n "$win" ] && winepath -u "$win" 2>/dev/null | tr -d '\r'
}
lnk=$'Diagnostic de la r\u00e9solution.lnk'

# ---- Install.
msiexec install.log /i "C:\\diagreso-$version-$arch.msi" 'INSTALLDIR=C:\Caisse\'
check "$arch: msiexec /i /qn INSTALLDIR=C:\\Caisse\\ succeeds" $?
cmp -s "$exe" "$c/Caisse/diagreso.exe"; check "$arch: the installed exe is the tested one, byte for byte" $?
[ "$(cd "$c/Caisse" 2>/dev/null && ls -A | paste -sd ' ')" = "LISEZMOI.txt diagreso.exe fc_img_024.gif" ]
check "$arch: C:\\Caisse\\ holds LISEZMOI.txt, diagreso.exe and fc_img_024.gif, nothing else" $?
[ "$(products)" = "$old_code" ]; check "$arch: one product installed, $version ($old_code)" $?
shortcuts=()
for prop in DesktopFolder ProgramMenuFolder; do
    dir=$(folder_of install.log "$prop")
    shortcuts+=("$dir/$lnk")
    lnkinfo "$dir/$lnk" >"$work/$prop.lnkinfo" 2>&1
    grep -q $'Local path\t*: C:\\\\Caisse\\\\diagreso.exe$' "$work/$prop.lnkinfo" &&
        grep -q $'Working directory\t*: C:\\\\Caisse\\\\$' "$work/$prop.lnkinfo" &&
        ! grep -q 'icon location' "$work/$prop.lnkinfo"
    check "$arch: $prop (${dir#"$c/"}) has the shortcut: C:\\Caisse\\diagreso.exe, starts in C:\\Caisse\\, the exe's icon" $?
done

# ---- The exe, started in its folder as the shortcuts start it, makes its record there.
(cd "$c/Caisse" && wine diagreso.exe >/dev/null 2>&1 &)
wine_wait_for_file "$c/Caisse/W_ECRA_R.WDO" 20 60
check "$arch: the exe started in C:\\Caisse\\ writes W_ECRA_R.WDO there" $?
wine_stop
cp "$c/Caisse/W_ECRA_R.WDO" "$work/record" 2>/dev/null || : >"$work/record"

# ---- A higher version over it.
msiexec upgrade.log /i "C:\\diagreso-$newer-$arch.msi" 'INSTALLDIR=C:\Caisse\'
check "$arch: msiexec /i of $newer over $version succeeds" $?
[ "$(products)" = "$new_code" ]; check "$arch: one product installed, $newer ($new_code)" $?
cmp -s "$work/newer.exe" "$c/Caisse/diagreso.exe"; check "$arch: the exe is $newer's" $?
cmp -s "$work/record" "$c/Caisse/W_ECRA_R.WDO"; check "$arch: W_ECRA_R.WDO untouched by the upgrade" $?
msiexec downgrade.log /i "C:\\diagreso-$version-$arch.msi" 'INSTALLDIR=C:\Caisse\'
rc=$?
[ "$rc" -ne 0 ] && [ "$(products)" = "$new_code" ] && cmp -s "$work/newer.exe" "$c/Caisse/diagreso.exe"
check "$arch: $version over $newer is refused (msiexec $rc), $newer stays" $?

# ---- Uninstall.
msiexec uninstall.log /x "C:\\diagreso-$newer-$arch.msi"
check "$arch: msiexec /x /qn succeeds" $?
[ -z "$(products)" ]; check "$arch: no product left" $?
[ ! -e "$c/Caisse/diagreso.exe" ] && [ ! -e "$c/Caisse/fc_img_024.gif" ] && [ ! -e "$c/Caisse/LISEZMOI.txt" ] &&
    [ ! -e "${shortcuts[0]}" ] && [ ! -e "${shortcuts[1]}" ]
check "$arch: the exe, the other two files and both shortcuts are gone" $?
[ -s "$work/record" ] && cmp -s "$work/record" "$c/Caisse/W_ECRA_R.WDO"
check "$arch: W_ECRA_R.WDO stays in C:\\Caisse\\, byte for byte" $?

failed=$(grep -c '^fail' "$results")
echo "$tier: $(grep -c '^ok' "$results") passed, $failed failed"
if [ "$failed" -ne 0 ]; then
    for log in install upgrade downgrade uninstall; do
        [ -f "$c/$log.log" ] && { echo "--- $log.log (errors)"; iconv -f WINDOWS-1252 -t UTF-8 "$c/$log.log" | grep -a -i -E 'error|return value 3|note:' | head -n 20; }
    done
    cat "$work/build.log"
fi
if [ -n "${DIAGRESO_TEST_REPORTS:-}" ]; then
    mkdir -p "$DIAGRESO_TEST_REPORTS"
    python3 - "$results" "$DIAGRESO_TEST_REPORTS/$tier.xml" "$tier" <<'EOF'
import sys
import xml.etree.ElementTree as ET
suite = ET.Element("testsuite", name=sys.argv[3])
for line in open(sys.argv[1], encoding="utf-8"):
    status, name = line.rstrip("\n").split("\t", 1)
    case = ET.SubElement(suite, "testcase", name=name, classname=sys.argv[3])
    if status != "ok":
        ET.SubElement(case, "failure", message="failed")
ET.ElementTree(suite).write(sys.argv[2], encoding="utf-8", xml_declaration=True)
EOF
fi
[ "$failed" -eq 0 ]
