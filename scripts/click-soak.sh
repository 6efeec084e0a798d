#!/usr/bin/env bash
# Lost-click soak under Wine, not part of the test run: the real exe clicked, its dialog
# answered (Annuler, Esc, Valider) and clicked again, CYCLES times idle and CYCLES times
# beside two busy loops; prints the counts of each run and exits non-zero on a lost click.
#
# usage: scripts/click-soak.sh [CYCLES] [BUILD_DIR]   (default: 300, build/win64)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cycles=${1:-300}
build=$(cd "${2:-$root/build/win64}" && pwd) || exit 2
exe="$build/src/diagreso.exe" tests="$build/tests/e2e/diag_e2e_tests.exe"
for f in "$exe" "$tests"; do [ -f "$f" ] || { echo "missing $f (build the win64 preset)" >&2; exit 2; }; done
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
wine_session "$build" "$(wine_pe_arch "$exe")" || exit $?
status=0
busy=()
stop_busy() { ((${#busy[@]})) && kill "${busy[@]}" 2>/dev/null; busy=(); }
trap 'stop_busy; wine_cleanup' EXIT
for load in idle busy; do
    [ "$load" = busy ] && { (while :; do :; done) & busy+=($!); (while :; do :; done) & busy+=($!); }
    wine_prefix_fresh "click-soak-$load" || exit 2
    echo "=== $cycles cycles, $load ==="
    DIAGRESO_SOAK_CYCLES=$cycles DIAGRESO_TEST_DPI=96 DIAGRESO_EXE="$(winepath -w "$exe" 2>/dev/null)" \
        timeout -k 10 $((cycles * 10 + 60)) wine "$tests" --gtest_color=no --gtest_also_run_disabled_tests \
        --gtest_filter='RealHands.DISABLED_EveryClickAfterAnAnswerOpensItsDialog' | grep -E 'cycles:|cycle [0-9]|OK|FAILED' || status=1
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    wine_stop
    stop_busy
done
exit "$status"
