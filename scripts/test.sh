#!/usr/bin/env bash
# Builds the four presets and runs every test tier:
#   native    unit tests (logic, headless forms, sanitizers)
#   native32  the same unit tests built for 32-bit x87 arithmetic, run natively where the
#             kernel runs i386 programs, else through qemu-i386
#   win64     Windows tests under 64-bit Wine in a virtual desktop on Xvfb
#   e2e       the real 64-bit exe, driven from outside, under 64-bit Wine
#   win32     the Windows tests built for 32 bits, under 32-bit Wine in 32-bit prefixes
#   e2e32     the real 32-bit exe, driven by the 32-bit test program, under 32-bit Wine
# win32 and e2e32 need a kernel that runs i386 programs (checked first with a tiny static
# i386 program). Where it does not, they print "not run" and why: they count neither as
# passed nor as failed, and do not change the exit code unless DIAGRESO_REQUIRE_32BIT=1,
# which makes a tier not run a failure.
# Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh || exit 1

status=0
# Each step's time is printed when the next one starts, so a log shows what each tier costs.
step_name=
step() {
  [ -n "$step_name" ] && echo "--- $step_name: $((SECONDS - step_t0)) s"
  step_name=$*; step_t0=$SECONDS
  echo; echo "=== $*"
}

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

# Whether the kernel runs i386 programs decides how native32 runs and whether the 32-bit
# Wine tiers can run at all; the full reason is printed once, a short one on the tiers.
step "i386 programs on this kernel"
if i386_detail=$(scripts/i386-check.sh); then
  i386_runs=1; echo "they run: native32 runs natively, win32 and e2e32 under 32-bit Wine"
else
  i386_runs=0; i386_why=${i386_detail%% (*}; echo "$i386_detail"
fi
if [ "$i386_runs" = 1 ]; then native32_how="natively"; else native32_how="under qemu-i386"; fi
step "native unit tests, 32-bit x87 arithmetic, $native32_how (native32)"
ctest --preset native32 --output-on-failure -j2 --output-junit "$reports/native32.xml" 2>&1 | tee "$logs/native32.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "Windows tests under Wine (win64)"
scripts/run-win-tests.sh build/win64 2>&1 | tee "$logs/win64.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "end-to-end tests: the real exe under Wine (win64)"
scripts/run-e2e.sh build/win64 2>&1 | tee "$logs/e2e.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

# 32-bit tiers: run where the kernel runs i386 programs; elsewhere told, and never counted
# as passed.
not_run=()
declare -A why_not
# A runner's 3 says 32-bit Wine itself could not start here: that tier is not run either.
run32() { # TIER RUNNER
  "$2" build/win32 2>&1 | tee "$logs/$1.log"
  local rc=${PIPESTATUS[0]}
  if [ "$rc" -eq 3 ]; then
    not_run+=("$1"); why_not[$1]="32-bit Wine could not start (see $logs/$1.log)"
    [ "${DIAGRESO_REQUIRE_32BIT:-0}" = 1 ] && status=1
  elif [ "$rc" -ne 0 ]; then
    status=1
  fi
}
if [ "$i386_runs" = 1 ]; then
  step "Windows tests under 32-bit Wine (win32)"
  t32=$SECONDS
  run32 win32 scripts/run-win-tests.sh

  step "end-to-end tests: the real 32-bit exe under 32-bit Wine (e2e32)"
  run32 e2e32 scripts/run-e2e.sh
  t32=$((SECONDS - t32))
else
  step "32-bit Wine tiers (win32, e2e32): not run: $i386_why"
  ls -l build/win32/tests/win/diag_win_tests.exe build/win32/tests/e2e/diag_e2e_tests.exe build/win32/src/diagreso.exe \
    || status=1
  not_run=(win32 e2e32); why_not[win32]=$i386_why; why_not[e2e32]=$i386_why
  [ "${DIAGRESO_REQUIRE_32BIT:-0}" = 1 ] && status=1
fi

step "results"

# One closing line per tier and one over all, counted from the runners' XML reports; a
# report that a run never wrote counts as a failure.
total_passed=0; total_failed=0
echo
for tier in "native:native.xml" "native32:native32.xml" "win64:win64-dpi96.xml win64-dpi120.xml" \
            "e2e:e2e-dpi96.xml e2e-dpi120.xml" "win32:win32-dpi96.xml win32-dpi120.xml" \
            "e2e32:e2e32-dpi96.xml e2e32-dpi120.xml"; do
  name=${tier%%:*}
  if [[ " ${not_run[*]} " == *" $name "* ]]; then
    echo "$name: not run (${why_not[$name]})"
    continue
  fi
  files=()
  for f in ${tier#*:}; do files+=("$reports/$f"); done
  read -r p f < <(python3 scripts/count-results.py "${files[@]}")
  echo "$name: $p passed, $f failed"
  total_passed=$((total_passed + p)); total_failed=$((total_failed + f))
done
if [ "$status" -ne 0 ] && [ "$total_failed" -eq 0 ]; then total_failed=1; fi
[ "$i386_runs" = 1 ] && echo "the 32-bit Wine tiers took $t32 s of the $SECONDS s"
((${#not_run[@]})) && echo "not run here, counted in neither figure: ${not_run[*]}"
echo "total: $total_passed passed, $total_failed failed"
exit "$status"
