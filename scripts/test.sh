#!/usr/bin/env bash
# Builds the four presets and runs every test tier:
#   native    unit tests (logic, headless forms, sanitizers)
#   native32  the same unit tests built for 32-bit x87 arithmetic
#   win64     Windows tests under 64-bit Wine in a virtual desktop on Xvfb
#   e2e       the real 64-bit exe, driven from outside, under 64-bit Wine
#   win32     the Windows tests built for 32 bits, under 32-bit Wine in 32-bit prefixes
#   e2e32     the real 32-bit exe, driven by the 32-bit test program, under 32-bit Wine
#   msi64     the 64-bit MSI installed, upgraded and uninstalled by Wine's msiexec
#   msi32     the same for the 32-bit MSI under 32-bit Wine (natively only)
# and checks: the exes, a rebuild, a signed release, and the page of /synthese that the
# e2e tier wrote, in a real browser (scripts/check-page.sh).
# The 32-bit programs (native32's, and 32-bit Wine for win32 and e2e32) run natively where
# the kernel runs i386 programs and through qemu-i386 where it does not; DIAGRESO_I386=
# native|qemu|auto chooses (scripts/i386-mode.sh). Under emulation win32 and e2e32 leave
# out, by name, the tests tests/qemu-i386.txt lists (the emulator cannot run them) and
# say so; a tier with nothing to run there prints "not run (emulation: ...)". Each 32-bit
# tier's line says how it ran. A tier not run counts neither as passed nor as failed and
# leaves the exit code alone unless DIAGRESO_REQUIRE_32BIT=1, which makes it a failure.
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

# How 32-bit programs run here (natively, or through qemu-i386) decides how native32 and
# the 32-bit Wine tiers run; told once here, in short on each tier.
step "i386 programs on this machine (DIAGRESO_I386=${DIAGRESO_I386:-auto})"
if i386_how=$(scripts/i386-mode.sh); then
  i386_mode=${i386_how%% *}
  if [ "$i386_mode" = native ]; then
    native32_how=natively; echo "they run natively: native32, and 32-bit Wine for win32 and e2e32"
  else
    native32_how="under qemu-i386"
    echo "they run through qemu-i386 (${i386_how#qemu }): native32, and 32-bit Wine for win32 and e2e32, without the tests tests/qemu-i386.txt leaves out"
  fi
else
  i386_mode=none; i386_why=$i386_how; echo "$i386_how"
fi
if [ "$i386_mode" != none ]; then
  step "native unit tests, 32-bit x87 arithmetic, $native32_how (native32)"
  ctest --preset native32 --output-on-failure -j2 --output-junit "$reports/native32.xml" 2>&1 | tee "$logs/native32.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
fi

step "Windows tests under Wine (win64)"
scripts/run-win-tests.sh build/win64 2>&1 | tee "$logs/win64.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "end-to-end tests: the real exe under Wine (win64)"
scripts/run-e2e.sh build/win64 2>&1 | tee "$logs/e2e.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

step "the page of /synthese in a real browser (chromium-headless-shell)"
scripts/check-page.sh build/win64/artefacts/synthese-e2e.html 2>&1 | tee "$logs/page.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
page_said=$(tail -1 "$logs/page.log")

step "MSI: installed, upgraded and removed by Wine's msiexec (msi64)"
scripts/check-msi.sh build/win64 2>&1 | tee "$logs/msi64.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

# 32-bit tiers: natively or emulated, each saying how (the runner's TIER.how); elsewhere
# told, and never counted as passed.
not_run=()
declare -A why_not how
# A runner's 3 says 32-bit Wine itself could not start here, or failed under emulation
# before its tests could end (a stalled step, a wineserver that died), its 4 that none of
# the tier's tests runs under emulation: that tier is not run either.
run32() { # TIER RUNNER
  rm -f "$reports/$1.how"
  "$2" build/win32 2>&1 | tee "$logs/$1.log"
  local rc=${PIPESTATUS[0]}
  how[$1]=$(cat "$reports/$1.how" 2>/dev/null)
  if [ "$rc" -eq 3 ] || [ "$rc" -eq 4 ]; then
    not_run+=("$1"); why_not[$1]="32-bit Wine could not start (see $logs/$1.log)"
    if [[ ${how[$1]} == "not run ("* ]]; then # "not run (emulation: ...)", as the runner wrote it
      why_not[$1]=${how[$1]#not run (}; why_not[$1]=${why_not[$1]%)}
    fi
    [ "${DIAGRESO_REQUIRE_32BIT:-0}" = 1 ] && status=1
  elif [ "$rc" -ne 0 ]; then
    status=1
  fi
}
if [ "$i386_mode" != none ]; then
  t32=$SECONDS
  step "Windows tests under 32-bit Wine, $native32_how (win32)"
  run32 win32 scripts/run-win-tests.sh

  step "end-to-end tests: the real 32-bit exe under 32-bit Wine, $native32_how (e2e32)"
  run32 e2e32 scripts/run-e2e.sh

  step "MSI under 32-bit Wine, $native32_how (msi32)"
  run32 msi32 scripts/check-msi.sh
  t32=$((SECONDS - t32))
else
  step "32-bit tiers (native32, win32, e2e32, msi32): not run: $i386_why"
  ls -l build/win32/tests/win/diag_win_tests.exe build/win32/tests/e2e/diag_e2e_tests.exe build/win32/src/diagreso.exe \
    || status=1
  not_run=(native32 win32 e2e32 msi32)
  why_not[native32]=$i386_why; why_not[win32]=$i386_why; why_not[e2e32]=$i386_why; why_not[msi32]=$i386_why
  # A way asked for that this machine cannot give is a failure, not a tier left out.
  status=1
fi

step "results"

# One closing line per tier and one over all, counted from the runners' XML reports; a
# report that a run never wrote counts as a failure.
total_passed=0; total_failed=0; what_failed=()
echo
for tier in "native:native.xml" "native32:native32.xml" "win64:win64-dpi96.xml win64-dpi120.xml" \
            "e2e:e2e-dpi96.xml e2e-dpi120.xml" "win32:win32-dpi96.xml win32-dpi120.xml" \
            "e2e32:e2e32-dpi96.xml e2e32-dpi120.xml" "msi64:msi64.xml" "msi32:msi32.xml"; do
  name=${tier%%:*}
  if [[ " ${not_run[*]} " == *" $name "* ]]; then
    echo "$name: not run (${why_not[$name]})"
    continue
  fi
  files=()
  for f in ${tier#*:}; do files+=("$reports/$f"); done
  counted=$(python3 scripts/count-results.py "${files[@]}")
  read -r p f <<<"${counted%%$'\n'*}"
  while IFS= read -r line; do what_failed+=("$name: $line"); done < <(tail -n +2 <<<"$counted")
  case $name in
  native32) said=" ($native32_how)" ;;
  win32 | e2e32 | msi32) said=" (${how[$name]:-how it ran not told})" ;;
  *) said= ;;
  esac
  echo "$name: $p passed, $f failed$said"
  total_passed=$((total_passed + p)); total_failed=$((total_failed + f))
done
echo "page of /synthese in the browser: ${page_said:-not checked} (screenshot build/win64/artefacts/synthese-e2e.png)"
if [ "$status" -ne 0 ] && [ "$total_failed" -eq 0 ]; then total_failed=1; fi
[ "$i386_mode" != none ] && echo "the 32-bit Wine tiers took $t32 s of the $SECONDS s ($native32_how)"
((${#not_run[@]})) && echo "not run here, counted in neither figure: ${not_run[*]}"
((${#what_failed[@]})) && { echo "what failed:"; printf '  %s\n' "${what_failed[@]}"; }
echo "total: $total_passed passed, $total_failed failed"
exit "$status"
