#!/usr/bin/env bash
# Resource soak under Wine: builds diag_soak.exe (64-bit) in its own build folder,
# build/soak64, so it never collides with a build of build/win64 running meanwhile, and
# runs it once in a fresh Wine prefix on a private Xvfb. It prints GDI objects, USER
# windows and private bytes after a warm-up and at the end; exits non-zero when they do
# not come back. Not part of the test run.
#
# usage: scripts/soak.sh [BUILD_DIR]    (default: build/soak64 of this repository)
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/soak64}
for tool in cmake ninja x86_64-w64-mingw32-g++-posix wine wineserver Xvfb; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh" >&2; exit 2; }
done

started=$SECONDS
echo "=== build diag_soak ($build)"
if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null && cmake --build "$build" --target diag_soak; }; then
    echo "soak: build failed" >&2
    exit 2
fi
build=$(cd "$build" && pwd)
exe=$build/tests/soak/diag_soak.exe

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
wine_session "$build" || exit 2
wine_prefix_fresh soak || exit 2

echo
echo "=== diag_soak under Wine"
t0=$SECONDS
# 1,000 dialogs and 200 mode changes take a few minutes; a hang is cut off.
(cd "$build" && timeout -k 10 1800 wine "$exe")
rc=$?
wine_stop
[ "$rc" -eq 124 ] && echo "diag_soak did not finish within 1800 s" >&2
[ "$rc" -eq 0 ] && rm -rf "$WINEPREFIX"
echo
echo "=== soak: exit code $rc; run $((SECONDS - t0)) s under Wine, $((SECONDS - started)) s in all"
exit "$rc"
