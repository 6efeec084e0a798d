#!/usr/bin/env bash
# Installs the MSI of BUILD_DIR's exe with Wine's own msiexec, silently, into a fresh
# prefix of the exe's architecture, as a deployment tool would, and checks what a till
# gets. The point-of-sale folder C:\Caisse\ already holds its own fc_img_024.gif and
# LISEZMOI.txt: whatever runs, they stay there byte for byte. First an install into
# C:\Autre\: the tested exe byte for byte and diagreso-LISEZMOI.txt, nothing else; both
# shortcuts, naming the exe, starting there, with no icon of their own (the shell shows
# the exe's); the exe started there makes its record there. The other architecture's
# package is refused (in a 64-bit prefix, which runs both). A repair and a higher version,
# built here from a different exe, both given no INSTALLDIR, stay in C:\Autre\ with the
# shortcuts: one product left, the new exe, the record untouched; the first package, now
# older, is refused. A third version given INSTALLDIR=C:\Caisse\ moves there, leaving the
# record behind. Last the uninstall: the exe, the readme and the shortcuts go, the
# folder's own files and W_ECRA_R.WDO stay byte for byte; then, in a 64-bit prefix, the
# other way round: the other architecture's package installed refuses this one.
# Then, in a fresh prefix, the release before this one (packaging/previous-release: its
# package built from its commit with that commit's own scripts, the tested exe standing
# for its exe with its version) is installed into C:\Magasin\, which holds the shop's own
# LISEZMOI.txt, fc_img_024.gif and W_ECRA_R.WDO, and upgraded to this package given no
# INSTALLDIR: one product, the program still in C:\Magasin\, the shop's two files with the
# bytes they had before the upgrade, the record byte for byte, through the uninstall too.
# The other releases' exes are the tested one carrying their version (scripts/
# exe-version.py): Windows Installer compares it with the installed exe's.
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

# The release's package of the tested exe, and two higher versions of the exe as their
# releases would carry it (it still runs, and cannot be taken for the first).
version=$(sed -n 's/^project(diagreso VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
IFS=. read -r major minor patch <<<"$version"
newer=$major.$minor.$((patch + 1)) newest=$major.$minor.$((patch + 2))
python3 "$root/scripts/exe-version.py" "$exe" "$newer" "$work/newer.exe" &&
    python3 "$root/scripts/exe-version.py" "$exe" "$newest" "$work/newest.exe" || exit 1
# The other architecture's package, where this Wine can run it: a 64-bit prefix installs
# either (neither runs code of its own while installing), a 32-bit one only its own. Its
# exe is this one: only its tables matter to what is tried with it.
other=
[ "$arch" = win64 ] && other=win32
"$root/scripts/build-msi.sh" "$root" "$work/msi" "$arch=$exe" ${other:+"$other=$exe"} >"$work/build.log" 2>&1 &&
    "$root/scripts/build-msi.sh" --version "$newer" "$root" "$work/msi" "$arch=$work/newer.exe" >>"$work/build.log" 2>&1 &&
    "$root/scripts/build-msi.sh" --version "$newest" "$root" "$work/msi" "$arch=$work/newest.exe" >>"$work/build.log" 2>&1
check "$arch: packages $version, $newer and $newest built${other:+, and $version for $other}" $? || true
[ -f "$work/msi/diagreso-$newest-$arch.msi" ] || { cat "$work/build.log"; exit 1; }
product() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'; }
old_code=$(product "$work/msi/diagreso-$version-$arch.msi")
new_code=$(product "$work/msi/diagreso-$newer-$arch.msi")
newest_code=$(product "$work/msi/diagreso-$newest-$arch.msi")

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
# The products Windows Installer lists as installed (the Uninstall entries; a 32-bit
# package's, in a 64-bit prefix, are in the 32-bit view). Wine reads stdin: none for the
# inner one, or it eats the list; grep reads to the end (no -q: under pipefail a reader
# that stops early fails the pipe).
products() {
    local key
    for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
        'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'; do
        wine reg query "$key" 2>/dev/null | tr -d '\r' | grep -o '{[0-9A-F-]*}$' | while read -r code; do
            wine reg query "$key\\$code" /v DisplayName </dev/null 2>/dev/null |
                tr -d '\r' | grep 'REG_SZ *diagreso$' >/dev/null && echo "$code"
        done
    done | sort | paste -sd ' '
}
# Where this Wine's msiexec puts the desktop and Start-menu shortcuts, from its log.
folder_of() { # LOG PROPERTY -> Unix folder
    local win
    win=$(iconv -f WINDOWS-1252 -t UTF-8 "$c/$1" | tr -d '\r' | sed -n "s/^Property(S): $2 = //p" | head -n 1)
    [ -n "$win" ] && winepath -u "$win" 2>/dev/null | tr -d '\r'
}
lnk=$'Diagnostic de la r\u00e9solution.lnk'
listing() { (cd "$1" 2>/dev/null && LC_ALL=C ls -A | paste -sd ' '); }
# Both shortcuts, where LOG's run put them: naming DIR\diagreso.exe, starting in DIR\,
# with no icon of their own (the shell shows the exe's).
shortcuts=()
check_shortcuts() { # LOG DIR (Autre, Caisse)
    local prop dir
    shortcuts=()
    for prop in DesktopFolder ProgramMenuFolder; do
        dir=$(folder_of "$1" "$prop")
        shortcuts+=("$dir/$lnk")
        lnkinfo "$dir/$lnk" >"$work/$prop.lnkinfo" 2>&1
        grep -q "Local path"$'\t'"*: C:\\\\$2\\\\diagreso.exe\$" "$work/$prop.lnkinfo" &&
            grep -q "Working directory"$'\t'"*: C:\\\\$2\\\\\$" "$work/$prop.lnkinfo" &&
            ! grep -q 'icon location' "$work/$prop.lnkinfo"
        check "$arch: after $1, $prop (${dir#"$c/"}) has the shortcut: C:\\$2\\diagreso.exe, starts in C:\\$2\\, the exe's icon" $?
    done
}

# The point-of-sale folder already holds files of its own, two of them under the names
# the dialog's picture and a readme take: the package must neither replace nor remove them.
mkdir -p "$c/Caisse"
cp "$root/assets/rendered/ccbm0.gif" "$c/Caisse/fc_img_024.gif"
printf 'Logiciel de caisse : notice\r\n' >"$c/Caisse/LISEZMOI.txt"
cp "$c/Caisse/fc_img_024.gif" "$work/shop.gif" && cp "$c/Caisse/LISEZMOI.txt" "$work/shop.txt"
shop_intact() { cmp -s "$work/shop.gif" "$c/Caisse/fc_img_024.gif" && cmp -s "$work/shop.txt" "$c/Caisse/LISEZMOI.txt"; }
shop=(LISEZMOI.txt fc_img_024.gif) # as listing() sorts them

# ---- Install into another folder than the default.
msiexec install.log /i "C:\\diagreso-$version-$arch.msi" 'INSTALLDIR=C:\Autre\'
check "$arch: msiexec /i /qn INSTALLDIR=C:\\Autre\\ succeeds" $?
cmp -s "$exe" "$c/Autre/diagreso.exe"; check "$arch: the installed exe is the tested one, byte for byte" $?
[ "$(listing "$c/Autre")" = "diagreso-LISEZMOI.txt diagreso.exe" ]
check "$arch: C:\\Autre\\ holds diagreso-LISEZMOI.txt and diagreso.exe, nothing else" $?
[ "$(listing "$c/Caisse")" = "${shop[*]}" ] && shop_intact
check "$arch: C:\\Caisse\\ still holds only its own fc_img_024.gif and LISEZMOI.txt, byte for byte" $?
[ "$(products)" = "$old_code" ]; check "$arch: one product installed, $version ($old_code)" $?
check_shortcuts install.log Autre

# ---- The exe, started in its folder as the shortcuts start it, makes its record there.
(cd "$c/Autre" && wine diagreso.exe >/dev/null 2>&1 &)
wine_wait_for_file "$c/Autre/W_ECRA_R.WDO" 20 60
check "$arch: the exe started in C:\\Autre\\ writes W_ECRA_R.WDO there" $?
wine_stop
cp "$c/Autre/W_ECRA_R.WDO" "$work/record" 2>/dev/null || : >"$work/record"

# ---- The other architecture's package is refused while this one is installed. Wine's
# msiexec /qn logs no launch condition's message: the log shows which product it found.
detected() { # LOG PRODUCT: the package found PRODUCT as the other architecture's
    grep -a -x "Property(S): AUTRE_ARCHITECTURE = $2" <(tr -d '\r' <"$c/$1") >/dev/null
}
if [ -n "$other" ]; then
    other_msi="C:\\diagreso-$version-$other.msi"
    msiexec other.log /i "$other_msi"
    rc=$?
    [ "$rc" -ne 0 ] && [ "$(products)" = "$old_code" ] && cmp -s "$exe" "$c/Autre/diagreso.exe" &&
        detected other.log "$old_code"
    check "$arch: the $other package, which found $arch's, is refused (msiexec $rc); $version stays" $?
else
    echo "  --    $arch: the other architecture's package: not tried (a 32-bit Windows cannot run the 64-bit one; msi64 tries both ways)"
fi

# ---- A repair and an upgrade given no INSTALLDIR stay in C:\Autre\. The repair is the
# property form of /fa (Wine's msiexec /fa fails at once, 69 with a package, 1 with a
# product code, and logs nothing); the exe, removed first, must come back there.
rm -f "$c/Autre/diagreso.exe"
msiexec repair.log /i "C:\\diagreso-$version-$arch.msi" REINSTALL=ALL REINSTALLMODE=amus
rc=$?
[ "$rc" -eq 0 ] && cmp -s "$exe" "$c/Autre/diagreso.exe" && [ "$(listing "$c/Caisse")" = "${shop[*]}" ] && shop_intact
check "$arch: a repair (REINSTALL=ALL) with no INSTALLDIR puts the exe back in C:\\Autre\\ (msiexec $rc), nothing in C:\\Caisse\\" $?
msiexec upgrade.log /i "C:\\diagreso-$newer-$arch.msi"
check "$arch: msiexec /i of $newer over $version, no INSTALLDIR, succeeds" $?
[ "$(products)" = "$new_code" ]; check "$arch: one product installed, $newer ($new_code)" $?
cmp -s "$work/newer.exe" "$c/Autre/diagreso.exe" && [ "$(listing "$c/Caisse")" = "${shop[*]}" ] && shop_intact
check "$arch: the exe is $newer's, in C:\\Autre\\ only; C:\\Caisse\\ untouched" $?
cmp -s "$work/record" "$c/Autre/W_ECRA_R.WDO"; check "$arch: W_ECRA_R.WDO untouched by the upgrade" $?
check_shortcuts upgrade.log Autre
msiexec downgrade.log /i "C:\\diagreso-$version-$arch.msi"
rc=$?
[ "$rc" -ne 0 ] && [ "$(products)" = "$new_code" ] && cmp -s "$work/newer.exe" "$c/Autre/diagreso.exe"
check "$arch: $version over $newer is refused (msiexec $rc), $newer stays" $?

# ---- An INSTALLDIR given on the command line wins: the program moves, the record stays.
msiexec move.log /i "C:\\diagreso-$newest-$arch.msi" 'INSTALLDIR=C:\Caisse\'
check "$arch: msiexec /i of $newest with INSTALLDIR=C:\\Caisse\\ succeeds" $?
[ "$(products)" = "$newest_code" ] && cmp -s "$work/newest.exe" "$c/Caisse/diagreso.exe" &&
    [ "$(listing "$c/Autre")" = "W_ECRA_R.WDO" ] && cmp -s "$work/record" "$c/Autre/W_ECRA_R.WDO"
check "$arch: one product, $newest, its exe in C:\\Caisse\\; C:\\Autre\\ keeps only W_ECRA_R.WDO, byte for byte" $?
[ "$(listing "$c/Caisse")" = "LISEZMOI.txt diagreso-LISEZMOI.txt diagreso.exe fc_img_024.gif" ] && shop_intact
check "$arch: C:\\Caisse\\ holds its own two files, byte for byte, beside diagreso-LISEZMOI.txt and diagreso.exe" $?
check_shortcuts move.log Caisse

# ---- Uninstall.
msiexec uninstall.log /x "C:\\diagreso-$newest-$arch.msi"
check "$arch: msiexec /x /qn succeeds" $?
[ -z "$(products)" ]; check "$arch: no product left" $?
[ ! -e "$c/Caisse/diagreso.exe" ] && [ ! -e "$c/Caisse/diagreso-LISEZMOI.txt" ] &&
    [ ! -e "${shortcuts[0]}" ] && [ ! -e "${shortcuts[1]}" ]
check "$arch: the exe, the readme and both shortcuts are gone" $?
[ "$(listing "$c/Caisse")" = "${shop[*]}" ] && shop_intact
check "$arch: C:\\Caisse\\'s own fc_img_024.gif and LISEZMOI.txt stay, byte for byte" $?
[ -s "$work/record" ] && cmp -s "$work/record" "$c/Autre/W_ECRA_R.WDO"
check "$arch: W_ECRA_R.WDO stays in C:\\Autre\\, byte for byte" $?

# ---- The other way round: the other architecture installed, this one is refused.
if [ -n "$other" ]; then
    other_code=$(product "$work/msi/diagreso-$version-$other.msi")
    msiexec other-first.log /i "$other_msi" &&
        msiexec refused.log /i "C:\\diagreso-$version-$arch.msi"
    rc=$?
    [ "$rc" -ne 0 ] && [ "$(products)" = "$other_code" ] && detected refused.log "$other_code"
    check "$arch: with the $other package installed, this one finds it and is refused (msiexec $rc); $other stays" $?
    msiexec other-uninstall.log /x "$other_msi" && [ -z "$(products)" ]
    check "$arch: the $other package then uninstalls, no product left" $?
fi

# ---- The release before this one, upgraded in a fresh prefix: its package deleted the
# shop's files of the names it had brought. It is built as it was released, from its own
# commit (a clone with the full history: CI clones whole; a shallow clone fails here, as
# it cannot rebuild that release) and scripts, given the tested exe with its version.
wine_stop
read -r previous_commit previous_version < <(grep -v '^#' "$root/packaging/previous-release")
previous_short=${previous_commit:0:7}
previous_msi=$work/previous-msi/diagreso-$previous_version-$arch.msi
if git -C "$root" cat-file -e "$previous_commit^{commit}" 2>/dev/null; then
    mkdir "$work/previous"
    git -C "$root" archive "$previous_commit" | tar -x -C "$work/previous" &&
        [ "$(sed -n 's/^project(diagreso VERSION \([0-9.]*\).*/\1/p' "$work/previous/CMakeLists.txt")" = "$previous_version" ] &&
        python3 "$root/scripts/exe-version.py" "$exe" "$previous_version" "$work/previous.exe" &&
        SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct "$previous_commit") DIAGRESO_COMMIT=$previous_commit \
            bash "$work/previous/scripts/build-msi.sh" "$work/previous" "$work/previous-msi" "$arch=$work/previous.exe" \
            >>"$work/build.log" 2>&1
    check "$arch: the $previous_version package built from $previous_short with that commit's own scripts" $?
else
    echo "  the previous release's commit $previous_commit is not in this clone (shallow? git fetch --unshallow)"
    check "$arch: the $previous_version package built from $previous_short with that commit's own scripts" 1
fi
# Into FOLDER (Caisse: the default, given no INSTALLDIR; Magasin: given as INSTALLDIR,
# which that release did not remember), then upgraded given no INSTALLDIR, then removed.
upgrade_previous() { # FOLDER
    local folder=$1 where rc
    where=(); [ "$folder" = Caisse ] || where=("INSTALLDIR=C:\\$folder\\")
    mkdir -p "$c/$folder"
    cp "$work/shop.gif" "$c/$folder/fc_img_024.gif" && cp "$work/shop.txt" "$c/$folder/LISEZMOI.txt"
    printf '#INIT#12-08-202609:01280                1024                32                  ' >"$c/$folder/W_ECRA_R.WDO"
    msiexec "previous-$folder.log" /i "C:\\diagreso-$previous_version-$arch.msi" "${where[@]}"
    rc=$?
    [ "$rc" -eq 0 ] && [ "$(products)" = "$previous_code" ] && cmp -s "$work/previous.exe" "$c/$folder/diagreso.exe"
    check "$arch: $previous_version installed into C:\\$folder\\ (msiexec $rc${where:+, ${where[*]}}), one product" $?
    # What the folder holds once that release is in: under Wine, its own copies; Windows
    # keeps a file the shop changed since it was made.
    rm -rf "$work/before" && mkdir "$work/before"
    cp "$c/$folder/fc_img_024.gif" "$c/$folder/LISEZMOI.txt" "$c/$folder/W_ECRA_R.WDO" "$work/before/"
    kept() { # FILE...: each as it was before the upgrade
        local f
        for f in "$@"; do cmp -s "$work/before/$f" "$c/$folder/$f" || return 1; done
    }
    msiexec "upgrade-$folder.log" /i "C:\\diagreso-$version-$arch.msi"
    check "$arch: from C:\\$folder\\, msiexec /i of $version over $previous_version, no INSTALLDIR, succeeds" $?
    [ "$(products)" = "$old_code" ]; check "$arch: from C:\\$folder\\, one product installed, $version ($old_code)" $?
    kept LISEZMOI.txt fc_img_024.gif
    check "$arch: C:\\$folder\\ keeps the shop's LISEZMOI.txt and fc_img_024.gif with the bytes they had before the upgrade" $?
    kept W_ECRA_R.WDO; check "$arch: C:\\$folder\\W_ECRA_R.WDO untouched by the upgrade" $?
    cmp -s "$exe" "$c/$folder/diagreso.exe" &&
        [ "$(listing "$c/$folder")" = "LISEZMOI.txt W_ECRA_R.WDO diagreso-LISEZMOI.txt diagreso.exe fc_img_024.gif" ] &&
        [ "$(listing "$c" | tr ' ' '\n' | grep -c -x -E 'Caisse|Magasin')" -eq 1 ]
    check "$arch: the tested exe and diagreso-LISEZMOI.txt in C:\\$folder\\, where $previous_version was, and nowhere else" $?
    check_shortcuts "upgrade-$folder.log" "$folder"
    msiexec "uninstall-$folder.log" /x "C:\\diagreso-$version-$arch.msi"
    rc=$?
    [ "$rc" -eq 0 ] && [ -z "$(products)" ] && kept LISEZMOI.txt fc_img_024.gif W_ECRA_R.WDO &&
        [ "$(listing "$c/$folder")" = "LISEZMOI.txt W_ECRA_R.WDO fc_img_024.gif" ]
    check "$arch: the uninstall (msiexec $rc) leaves C:\\$folder\\ the shop's two files and W_ECRA_R.WDO, byte for byte, and nothing else" $?
    rm -rf "${c:?}/$folder"
}
if [ -f "$previous_msi" ]; then
    wine_prefix_fresh "msi-$arch-previous" || exit 1
    c=$WINEPREFIX/drive_c
    desk="$c/users/$(id -un)/Desktop"
    [ -L "$desk" ] && rm "$desk" && mkdir "$desk"
    cp "$previous_msi" "$work/msi/diagreso-$version-$arch.msi" "$c/"
    previous_code=$(product "$previous_msi")
    upgrade_previous Caisse
    upgrade_previous Magasin
fi

failed=$(grep -c '^fail' "$results")
echo "$tier: $(grep -c '^ok' "$results") passed, $failed failed"
if [ "$failed" -ne 0 ]; then
    for log in install other repair upgrade downgrade move uninstall other-first refused other-uninstall \
        previous-Caisse upgrade-Caisse uninstall-Caisse previous-Magasin upgrade-Magasin uninstall-Magasin; do
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
