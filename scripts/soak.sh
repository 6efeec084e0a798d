#!/usr/bin/env bash
# Resource soak under Wine: builds diag_soak.exe in its own build folder, build/soak64
# (or build/soak32 for the 32-bit exe), so it never collides with a build of build/win64
# or build/win32 running meanwhile, and runs it once in a fresh Wine prefix on a private
# Xvfb: the 32-bit one under 32-bit Wine in a 32-bit prefix. It prints GDI objects, USER
# windows and private bytes after a warm-up and at the end; exits non-zero when they do
# not come back, 3 when 32-bit Wine cannot run windows on this machine (it says why): the
# soak is all windows, so the 32-bit one runs only where 32-bit Wine runs natively, never
# under qemu-i386 (tests/qemu-i386.txt). Not part of the test run.
#
# usage: scripts/soak.sh [win64|win32] [BUILD_DIR]   (default: win64, build/soak64 or build/soak32)
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
arch=win64
case ${1:-} in win64 | win32) arch=$1; shift ;; esac
if [ "$arch" = win32 ]; then
    compiler=i686-w64-mingw32-g++-posix toolchain=mingw-w64-i686.cmake build=${1:-$root/build/soak32}
else
    compiler=x86_64-w64-mingw32-g++-posix toolchain=mingw-w64-x86_64.cmake build=${1:-$root/build/soak64}
fi
for tool in cmake ninja "$compiler" Xvfb; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh" >&2; exit 2; }
done

if [ "$arch" = win32 ]; then
    if ! how=$("$root/scripts/i386-mode.sh"); then
        echo "soak (win32): not run: 32-bit Wine cannot run here: $how" >&2
        exit 3
    elif [ "$how" != native ]; then
        echo "soak (win32): not run: 32-bit Wine runs here only under qemu-i386 (${how#qemu }), where windows do not work" >&2
        exit 3
    fi
fi

started=$SECONDS
echo "=== build diag_soak, $arch ($build)"
if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null && cmake --build "$build" --target diag_soak; }; then
    echo "soak: build failed" >&2
    exit 2
fi
build=$(cd "$build" && pwd)
exe=$build/tests/soak/diag_soak.exe

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
wine_session "$build" "$arch" || exit $?
wine_prefix_fresh soak || exit 2

echo
echo "=== diag_soak ($arch) under Wine"
t0=$SECONDS
# 1,000 dialogs and 200 mode changes take a few minutes; a hang is cut off.
(cd "$build" && timeout -k 10 1800 wine "$exe")
rc=$?
wine_stop
[ "$rc" -eq 124 ] && echo "diag_soak did not finish within 1800 s" >&2
[ "$rc" -eq 0 ] && rm -rf "$WINEPREFIX"
echo
echo "=== soak ($arch): exit code $rc; run $((SECONDS - t0)) s under Wine, $((SECONDS - started)) s in all"
exit "$rc"
