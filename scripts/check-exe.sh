#!/usr/bin/env bash
# Checks what the built exes carry, read from the files themselves: the manifest
# (asInvoker, system DPI aware, Vista and 7 only), the icon and version resources,
# imports limited to DLLs the system always loads from its own folder, ASLR and DEP
# (high-entropy addresses in 64-bit), and the size.
#
# usage: scripts/check-exe.sh [EXE...]   (default: the win64 and win32 builds)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exes=("$@")
((${#exes[@]})) || exes=("$root/build/win64/src/diagreso.exe" "$root/build/win32/src/diagreso.exe")

known_dlls='^(kernel32|user32|gdi32|ole32|oleaut32|shell32|advapi32|msvcrt|comdlg32|shlwapi)\.dll$'
# 512 KiB since /synthese (its reader of reports, the page and the table: some 71 KiB).
max_bytes=$((512 * 1024))
failures=0
checks=0

check() { # DESCRIPTION CONDITION-RESULT(0 ok)
    checks=$((checks + 1))
    if [ "$2" -eq 0 ]; then echo "  ok    $1"; else echo "  FAIL  $1"; failures=$((failures + 1)); fi
}

for exe in "${exes[@]}"; do
    echo "$exe"
    if [ ! -f "$exe" ]; then check "exists" 1; continue; fi
    manifest=$(wrestool -x --raw -t 24 "$exe" 2>/dev/null)
    has() { grep -q -- "$1" <<<"$manifest"; echo $?; }
    check "manifest requests asInvoker" "$(has 'level="asInvoker"')"
    check "manifest declares system DPI awareness" "$(has '<dpiAware[^>]*>true</dpiAware>')"
    check "manifest supports Windows Vista" "$(has 'e2011457-1546-43c5-a5fe-008deee3d3f0')"
    check "manifest supports Windows 7" "$(has '35138b9a-5d96-4fbd-8e2d-a2440225f93a')"
    later=$(grep -c -i -E '4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38|1f676c76-80e1-4239-95bb-83d0f6d0da78|8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a' <<<"$manifest")
    check "manifest declares no Windows 8 or later" "$later"

    resources=$(wrestool -l "$exe" 2>/dev/null)
    grep -q "type=group_icon" <<<"$resources"; check "icon resource" $?
    grep -q "type=version" <<<"$resources"; check "version resource" $?

    headers=$(x86_64-w64-mingw32-objdump -p "$exe" 2>/dev/null || i686-w64-mingw32-objdump -p "$exe")
    bad=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | grep -v -E "$known_dlls" | tr '\n' ' ')
    [ -z "$bad" ]; check "imports only known DLLs ${bad:+(not: $bad)}" $?
    grep -q DYNAMIC_BASE <<<"$headers"; check "ASLR (DYNAMIC_BASE)" $?
    grep -q NX_COMPAT <<<"$headers"; check "DEP (NX_COMPAT)" $?
    if grep -q "Magic.*20b" <<<"$headers"; then
        grep -q HIGH_ENTROPY_VA <<<"$headers"; check "high-entropy addresses (64-bit)" $?
    fi
    size=$(stat -c %s "$exe")
    [ "$size" -le "$max_bytes" ]; check "size $size bytes <= $max_bytes" $?
done
echo "exe checks: $((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
