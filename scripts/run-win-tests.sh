#!/usr/bin/env bash
# Runs the Windows test program under Wine, headless:
#   1. every test at 96 dpi;
#   2. the font-probe tests again at 120 dpi.
# Each run gets its own copy of the Wine prefix and a wineserver session of its own, on
# a private Xvfb. The program's width chooses the Wine: a 32-bit build runs under 32-bit
# Wine in 32-bit prefixes (scripts/wine-env.sh).
# 32-bit Wine runs natively or under qemu-i386 (scripts/i386-mode.sh); under emulation
# only the tests tests/qemu-i386.txt lets run there are run, and those left out are named.
# Exits 0 when every run passed, 1 when one failed, 2 when the harness could not start,
# 3 when 32-bit Wine cannot run on this machine (it says why), 4 when no test runs under
# emulation (it says why): nothing was run.
#
# usage: scripts/run-win-tests.sh [BUILD_DIR]   (default: build/win64; build/win32 for 32-bit)
# DIAGRESO_KEEP_PREFIXES=1 keeps every run's prefix (a failed run's is always kept).
# DIAGRESO_TEST_REPORTS=DIR: each run writes its GoogleTest XML report there, as
# win64-dpi96.xml, win64-dpi120.xml (win32-… for a 32-bit build), and for a 32-bit build
# how it ran in win32.how.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/win64}
if [ ! -d "$build" ]; then
    echo "no build folder $build: cmake --preset win64 && cmake --build --preset win64 --target diag_win_tests (or win32)" >&2
    exit 2
fi
build=$(cd "$build" && pwd)
exe="$build/tests/win/diag_win_tests.exe"
if [ ! -f "$exe" ]; then
    echo "missing $exe: cmake --build --preset win64 --target diag_win_tests (or win32)" >&2
    exit 2
fi
command -v Xvfb >/dev/null || { echo "Xvfb is not installed" >&2; exit 2; }

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
started=$SECONDS
arch=$(wine_pe_arch "$exe") || exit 2
[ "$arch" = win32 ] && { wine_emulated_tier win32 || exit $?; }
wine_session "$build" "$arch" || exit $?
WINE_ENV_LEFT_OUT=0

summary=()
failed=0

# Under qemu-i386, Wine itself failing (a step of the harness that fails or never ends, a
# wineserver that dies) means the tier could not run: it is told so and ends with 3,
# counted neither as passed nor as failed. Natively the same is a failure.
emulation_failed() { # WHAT
    if [ "${WINE_ENV_I386:-}" != qemu ]; then
        summary+=("$name ($dpi dpi): FAILED: $1")
        tell_why "$1"
        failed=1
        return
    fi
    wine_env_log "win32: not run: 32-bit Wine under qemu-i386 failed: $1"
    wine_tier_how win32 "not run (32-bit Wine under qemu-i386 failed: $1)"
    echo "=== Windows tests under Wine ($arch, qemu): not run after $((SECONDS - started)) s: $1 ==="
    exit 3
}

# Why a run wrote no report, beside where its report would be, for the closing lines of
# scripts/test.sh (count-results.py): the end of a log then tells it.
tell_why() { # WHY
    [ -n "${DIAGRESO_TEST_REPORTS:-}" ] && echo "$1" >"$DIAGRESO_TEST_REPORTS/$arch-$name.why"
    return 0
}

# run_tests NAME DPI FILTER
run_tests() {
    local name=$1 dpi=$2 t0=$SECONDS rc steps
    steps=$(wine_step_limit)
    [ -n "${DIAGRESO_TEST_REPORTS:-}" ] && rm -f "$DIAGRESO_TEST_REPORTS/$arch-$name.why"
    echo
    echo "=== diag_win_tests ($arch) at $dpi dpi ($name) ==="
    if ! wine_prefix_fresh "$name" || ! wine_set_dpi "$dpi"; then
        emulation_failed "could not prepare the Wine prefix (the end of wineboot.log: $(tail -n 2 "$WINE_ENV_ROOT/wineboot.log" 2>/dev/null | tr '\n' ' '))"
        return
    fi
    mkdir -p "$build/artefacts"
    local report=() xml= artefacts
    if [ -n "${DIAGRESO_TEST_REPORTS:-}" ]; then
        xml=$DIAGRESO_TEST_REPORTS/$arch-$name.xml
        mkdir -p "$DIAGRESO_TEST_REPORTS" && rm -f "$xml"
        report=("--gtest_output=xml:$(wine_bounded "$steps" winepath -w "$xml" 2>/dev/null)")
    fi
    artefacts=$(wine_bounded "$steps" winepath -w "$build/artefacts" 2>/dev/null)
    if [ -z "$artefacts" ] || [ "${report[*]}" = "--gtest_output=xml:" ]; then
        emulation_failed "winepath gave no Windows path"
        return
    fi
    if ! wine_test_filter "$arch" "$exe" "$3"; then
        emulation_failed "its tests could not be listed"
        return
    fi
    if [ -z "$WINE_ENV_FILTER" ]; then
        # Nothing of this run goes under emulation: a report of no test, not a missing one.
        [ -n "$xml" ] && echo '<testsuites tests="0" failures="0" name="AllTests"/>' >"$xml"
        summary+=("$name ($dpi dpi): left out under emulation")
        wine_stop
        return
    fi
    # Wine hands a console program's stdout straight to ours; its stderr is kept and shown
    # after, to tell a wineserver that died from a test that failed. A hung test is cut
    # off rather than left to block the caller.
    local errors="$WINE_ENV_ROOT/$name.stderr"
    (cd "$build" && export DIAGRESO_TEST_DPI=$dpi DIAGRESO_ARTEFACTS="$artefacts" &&
        wine_bounded "$limit" wine "$exe" --gtest_color=no "${report[@]}" "--gtest_filter=$WINE_ENV_FILTER") \
        2>"$errors"
    rc=$?
    cat "$errors" >&2
    wine_stop
    if [ "$rc" -ne 0 ] && wine_server_crashed "$errors"; then
        emulation_failed "its wineserver died during the tests (exit code $rc)"
        return
    fi
    if [ "$rc" -eq 0 ]; then
        summary+=("$name ($dpi dpi): passed in $((SECONDS - t0)) s")
        [ "${DIAGRESO_KEEP_PREFIXES:-0}" = 1 ] || rm -rf "$WINEPREFIX"
    else
        [ "$rc" -eq 124 ] && echo "diag_win_tests did not finish within $limit s" >&2
        summary+=("$name ($dpi dpi): FAILED (exit code $rc) in $((SECONDS - t0)) s; prefix kept in $WINEPREFIX")
        tell_why "diag_win_tests ended with exit code $rc after $((SECONDS - t0)) s$([ "$rc" -eq 124 ] && echo ", cut off at its limit"); its last lines: $(tail -n 3 "$errors" | tr '\n' ' ')"
        failed=1
    fi
}

# Under emulation every Wine process starts several times slower.
limit=120
[ "${WINE_ENV_I386:-}" = qemu ] && limit=600
run_tests dpi96 96 '*'
run_tests dpi120 120 'FontProbeWinTest.*'

# Screenshots the tests saved, as PNG artefacts.
for bmp in "$build"/artefacts/*.bmp; do
    [ -f "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp" && echo "screenshot: ${bmp%.bmp}.png"
done

case ${WINE_ENV_I386:-} in
native) wine_tier_how win32 "natively" ;;
qemu) wine_tier_how win32 "emulated (qemu-i386), $WINE_ENV_LEFT_OUT tests left out" ;;
esac
echo
echo "=== Windows tests under Wine ($arch${WINE_ENV_I386:+, $WINE_ENV_I386}): $((SECONDS - started)) s ==="
printf '  %s\n' "${summary[@]}"
exit "$failed"
