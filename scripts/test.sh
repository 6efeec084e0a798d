#!/usr/bin/env bash
# Builds the four presets and runs every test tier:
#   native  unit tests (logic, headless forms, sanitizers)
#   native32  the same unit tests built for 32-bit x87 arithmetic, run through qemu-i386
#   win64   Windows tests under Wine in a virtual desktop on Xvfb
#   win32   built only: this machine has no 32-bit Wine
# Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh || exit 1

status=0
step() { echo; echo "=== $*"; }

for preset in native native32 win64 win32; do
  step "build $preset"
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; }; then
    echo "build $preset: FAILED"; exit 1
  fi
done

logs=build/test-logs
mkdir -p "$logs"

step "picture checks (sizes, formats, frame tiles)"
assets/check.sh || status=1

step "exe checks (manifest, resources, imports, ASLR/DEP, size)"
scripts/check-exe.sh || status=1

step "native unit tests"
ctest --preset native --output-on-failure -j2 2>&1 | tee "$logs/native.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "native unit tests, 32-bit x87 arithmetic under qemu-i386 (native32)"
ctest --preset native32 --output-on-failure -j2 2>&1 | tee "$logs/native32.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "Windows tests under Wine (win64)"
scripts/run-win-tests.sh build/win64 2>&1 | tee "$logs/win64.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "end-to-end tests: the real exe under Wine (win64)"
scripts/run-e2e.sh build/win64 2>&1 | tee "$logs/e2e.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "win32 tests: built, not run (no 32-bit support on this machine)"
ls -l build/win32/tests/win/diag_win_tests.exe build/win32/tests/e2e/diag_e2e_tests.exe build/win32/src/diagreso.exe \
  || status=1

# One closing line over every tier: ctest's summary and each gtest run's.
native_total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$logs/native.log" | tail -1)
native_failed=$(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of.*/\1/p' "$logs/native.log" | tail -1)
native32_total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$logs/native32.log" | tail -1)
native32_failed=$(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of.*/\1/p' "$logs/native32.log" | tail -1)
gtest_count() { # LOG PASSED|FAILED
  local pattern='s/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p'
  [ "$2" = FAILED ] && pattern='s/^\[  FAILED  \] \([0-9]*\) tests\?, listed below.*/\1/p'
  sed -n "$pattern" "$1" | awk '{s+=$1} END {print s+0}'
}
win_passed=$(gtest_count "$logs/win64.log" PASSED)
win_failed=$(gtest_count "$logs/win64.log" FAILED)
e2e_passed=$(gtest_count "$logs/e2e.log" PASSED)
e2e_failed=$(gtest_count "$logs/e2e.log" FAILED)
native_total=${native_total:-0}; native_failed=${native_failed:-0}
native32_total=${native32_total:-0}; native32_failed=${native32_failed:-0}
passed=$((native_total - native_failed + native32_total - native32_failed + win_passed + e2e_passed))
failed=$((native_failed + native32_failed + win_failed + e2e_failed))
if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then failed=1; fi

echo
echo "native: $((native_total - native_failed)) passed, $native_failed failed"
echo "native32: $((native32_total - native32_failed)) passed, $native32_failed failed"
echo "win64: $win_passed passed, $win_failed failed"
echo "e2e: $e2e_passed passed, $e2e_failed failed"
echo "total: $passed passed, $failed failed"
exit "$status"
