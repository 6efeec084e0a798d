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
reports=$(pwd)/build/test-reports   # each runner's own XML report, counted at the end
rm -rf "$reports" && mkdir -p "$logs" "$reports"
export DIAGRESO_TEST_REPORTS=$reports

step "picture and help page checks"
assets/check.sh || status=1

step "exe checks (manifest, resources, imports, ASLR/DEP, size)"
scripts/check-exe.sh || status=1

step "reproducible: the 64-bit exe built again in another folder, compared byte for byte"
scripts/check-reproducible.sh win64 2>&1 | tee "$logs/reproducible.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "signed release: throwaway certificate, signatures, zips and SHA256SUMS"
scripts/check-signed-release.sh 2>&1 | tee "$logs/signed-release.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "native unit tests"
ctest --preset native --output-on-failure -j2 --output-junit "$reports/native.xml" 2>&1 | tee "$logs/native.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "native unit tests, 32-bit x87 arithmetic under qemu-i386 (native32)"
ctest --preset native32 --output-on-failure -j2 --output-junit "$reports/native32.xml" 2>&1 | tee "$logs/native32.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "Windows tests under Wine (win64)"
scripts/run-win-tests.sh build/win64 2>&1 | tee "$logs/win64.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "end-to-end tests: the real exe under Wine (win64)"
scripts/run-e2e.sh build/win64 2>&1 | tee "$logs/e2e.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "win32 tests: built, not run (no 32-bit Wine on this machine)"
ls -l build/win32/tests/win/diag_win_tests.exe build/win32/tests/e2e/diag_e2e_tests.exe build/win32/src/diagreso.exe \
  || status=1

# One closing line per tier and one over all, counted from the runners' XML reports; a
# report that a run never wrote counts as a failure.
total_passed=0; total_failed=0
echo
for tier in "native:native.xml" "native32:native32.xml" "win64:win64-dpi96.xml win64-dpi120.xml" \
            "e2e:e2e-dpi96.xml e2e-dpi120.xml"; do
  name=${tier%%:*}
  files=()
  for f in ${tier#*:}; do files+=("$reports/$f"); done
  read -r p f < <(python3 scripts/count-results.py "${files[@]}")
  echo "$name: $p passed, $f failed"
  total_passed=$((total_passed + p)); total_failed=$((total_failed + f))
done
if [ "$status" -ne 0 ] && [ "$total_failed" -eq 0 ]; then total_failed=1; fi
echo "total: $total_passed passed, $total_failed failed"
exit "$status"
