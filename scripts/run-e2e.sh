#!/usr/bin/env bash
# End-to-end tests: the real exe under Wine in a 1280 x 1024 virtual desktop on a
# private Xvfb, driven from outside by diag_e2e_tests.exe in the same desktop. Also keeps
# a screenshot of the main window as a test artefact, and validates the reports the
# command-line tests kept against the report's schema. The 32-bit exe (build/win32) runs
# under 32-bit Wine in 32-bit prefixes, driven by the 32-bit test program: natively, or
# under qemu-i386 (scripts/i386-mode.sh), where only what tests/qemu-i386.txt lets run
# there is run, those left out are named, and no window is screenshot.
# Exits 0 when all passed, 1 on a failure, 2 when the harness could not start, 3 when
# 32-bit Wine cannot run on this machine (it says why), 4 when no test runs under
# emulation (it says why): nothing was run.
#
# usage: scripts/run-e2e.sh [BUILD_DIR]   (default: build/win64)
# DIAGRESO_E2E_FILTER=PATTERN: only the 96 dpi tests PATTERN selects (a GoogleTest filter),
# for a focused run while working; the test command never sets it.
# DIAGRESO_TEST_REPORTS=DIR: each run writes its GoogleTest XML report there, as
# e2e-dpi96.xml and e2e-dpi120.xml (e2e32-… for the 32-bit exe), and for the 32-bit exe
# how it ran in e2e32.how.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build/win64}" && pwd) || exit 2
exe="$build/src/diagreso.exe"
tests="$build/tests/e2e/diag_e2e_tests.exe"
artefacts="$build/artefacts"
for f in "$exe" "$tests"; do [ -f "$f" ] || { echo "missing $f (build the win64 or win32 preset)" >&2; exit 2; }; done

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
arch=$(wine_pe_arch "$exe") || exit 2
[ "$(wine_pe_arch "$tests")" = "$arch" ] || { echo "$tests is not built for $arch as $exe is" >&2; exit 2; }
tier=e2e
[ "$arch" = win32 ] && tier=e2e32
[ "$arch" = win32 ] && { wine_emulated_tier e2e32 || exit $?; }
wine_session "$build" "$arch" || exit $?
WINE_ENV_LEFT_OUT=0
wine_prefix_fresh e2e || exit 2
mkdir -p "$artefacts"
# The command-line tests keep every report they get here; each run checks its own.
rm -f "$artefacts"/rapport-*.json

# An empty folder nobody can create files in, for the tests of a read-only working folder.
# As root only the immutable attribute stops writes; it is lifted again on every exit.
readonly_dir="$build/e2e-readonly"
unfreeze() { chattr -i "$readonly_dir" 2>/dev/null; }
# A disk too small for /synthese's outputs (a 96 KiB tmpfs), for the test of a full disk.
small_dir="$build/e2e-small"
unmount_small() { mountpoint -q "$small_dir" && umount "$small_dir"; }
trap 'unfreeze; unmount_small; wine_cleanup' EXIT
unfreeze
unmount_small
mkdir -p "$small_dir"
if mount -t tmpfs -o size=96k tmpfs "$small_dir" 2>/dev/null; then
    export DIAGRESO_SMALL_DIR
    DIAGRESO_SMALL_DIR=$(winepath -w "$small_dir" 2>/dev/null)
else
    echo "no tmpfs could be mounted: the full-disk case of /synthese will be skipped" >&2
fi
rm -rf "$readonly_dir" && mkdir -p "$readonly_dir"
if chattr +i "$readonly_dir" 2>/dev/null; then
    export DIAGRESO_READONLY_DIR
    DIAGRESO_READONLY_DIR=$(winepath -w "$readonly_dir" 2>/dev/null)
else
    echo "chattr +i failed: the read-only folder test will be skipped" >&2
fi

# A second drive letter mapped onto a folder, as subst or a mapped share gives a till:
# Wine takes a drive letter from a link in the prefix's dosdevices.
mkdir -p "$WINEPREFIX/drive_c/caisse-lettre" && ln -sfn ../drive_c/caisse-lettre "$WINEPREFIX/dosdevices/t:" || exit 2
export DIAGRESO_SECOND_DRIVE='T:' DIAGRESO_SECOND_DRIVE_FOLDER='C:\caisse-lettre'

# A picture beside the program that takes the dialog a while to decode, as a large one
# on a slow till would; made once per build folder.
large_gif="$build/e2e-large.gif"
if [ ! -s "$large_gif" ]; then
    convert -size 3000x3000 gradient:white-navy -colors 32 "gif:$large_gif.new" && mv "$large_gif.new" "$large_gif" \
        || echo "could not make $large_gif" >&2
fi
export DIAGRESO_LARGE_GIF
DIAGRESO_LARGE_GIF=$(winepath -w "$large_gif" 2>/dev/null)

status=0
winexe=$(winepath -w "$exe" 2>/dev/null)
# report NAME: the GoogleTest option that writes this run's XML report, if asked for.
report() {
    [ -n "${DIAGRESO_TEST_REPORTS:-}" ] || return 0
    mkdir -p "$DIAGRESO_TEST_REPORTS" && rm -f "$DIAGRESO_TEST_REPORTS/$tier-$1.xml"
    echo "--gtest_output=xml:$(winepath -w "$DIAGRESO_TEST_REPORTS/$tier-$1.xml" 2>/dev/null)"
}
export DIAGRESO_ARTEFACTS
DIAGRESO_ARTEFACTS=$(winepath -w "$artefacts" 2>/dev/null)
# Under emulation every Wine process starts several times slower.
slower=1
[ "${WINE_ENV_I386:-}" = qemu ] && slower=3
# e2e_run NAME DPI FILTER SECONDS: the tests FILTER selects (under emulation, those of them
# that run there), in the current prefix.
e2e_run() {
    echo "=== diag_e2e_tests ($arch) at $2 dpi ==="
    wine_test_filter "$tier" "$tests" "$3" || { status=1; return; }
    if [ -z "$WINE_ENV_FILTER" ]; then
        echo "  none of them runs under emulation"
        [ -n "${DIAGRESO_TEST_REPORTS:-}" ] && echo '<testsuites tests="0" failures="0" name="AllTests"/>' >"$DIAGRESO_TEST_REPORTS/$tier-$1.xml"
        return
    fi
    local rc t0=$SECONDS
    [ -n "${DIAGRESO_TEST_REPORTS:-}" ] && rm -f "$DIAGRESO_TEST_REPORTS/$tier-$1.why"
    DIAGRESO_TEST_DPI=$2 DIAGRESO_EXE="$winexe" timeout -k 10 $(($4 * slower)) wine "$tests" --gtest_color=no $(report "$1") \
        "--gtest_filter=$WINE_ENV_FILTER"
    rc=$?
    [ "$rc" -eq 0 ] && return
    status=1
    # Why, should the run have written no report (scripts/count-results.py tells it).
    [ -n "${DIAGRESO_TEST_REPORTS:-}" ] && echo "diag_e2e_tests ended with exit code $rc after $((SECONDS - t0)) s$([ "$rc" -eq 124 ] && echo ", cut off at its limit")" \
        >"$DIAGRESO_TEST_REPORTS/$tier-$1.why"
}
e2e_run dpi96 96 "${DIAGRESO_E2E_FILTER:--*HigherDensity*}" 400
wine_stop
unfreeze
unmount_small
unset DIAGRESO_READONLY_DIR DIAGRESO_SMALL_DIR
[ -n "${DIAGRESO_E2E_FILTER:-}" ] && exit "$status"

wine_prefix_fresh e2e120 && wine_set_dpi 120 || exit 2
e2e_run dpi120 120 '*HigherDensity*' 300
wine_stop

echo "=== reports against docs/rapport.schema.json ==="
shopt -s nullglob
reports=("$artefacts"/rapport-*.json)
shopt -u nullglob
# Under emulation a run may have had no command-line test to keep a report.
if ((${#reports[@]})) || [ "${WINE_ENV_I386:-}" != qemu ]; then
    "$root/scripts/validate-reports.sh" "${reports[@]}" || status=1
else
    echo "  no report kept: no command-line test ran under emulation"
fi

case ${WINE_ENV_I386:-} in
native) wine_tier_how e2e32 "natively" ;;
qemu) wine_tier_how e2e32 "emulated (qemu-i386), $WINE_ENV_LEFT_OUT tests left out" ;;
esac
if [ "${WINE_ENV_I386:-}" = qemu ]; then
    echo "no screenshot of the main window: windows do not work under emulation (tests/qemu-i386.txt)"
    exit "$status"
fi

# The main window as a person sees it, in a fresh folder, after the start-up tick.
wine_prefix_fresh screenshot || exit 2
shotdir=$(mktemp -d)
(cd "$shotdir" && wine "$exe" >/dev/null 2>&1 &)
# The record file is written by the start-up tick: then the window is up and filled in.
wine_wait_for_file "$shotdir/W_ECRA_R.WDO" 80 30 || echo "the program did not reach its start-up tick" >&2
sleep 0.5
import -window root "$artefacts/main-window.png" && echo "screenshot: $artefacts/main-window.png"
wine_stop
rm -rf "$shotdir"
for bmp in "$artefacts"/*.bmp; do
    [ -f "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp" && echo "screenshot: ${bmp%.bmp}.png"
done
exit "$status"
