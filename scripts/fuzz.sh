#!/usr/bin/env bash
# Builds the libFuzzer targets under fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) into build/fuzz and runs each in turn from its starting corpus.
# Not part of the test run.
#
# usage: scripts/fuzz.sh [SECONDS_PER_TARGET]    (default 300: 15 minutes for the three)
#
# Corpora grow in build/fuzz/corpus/<target>/ (kept between runs; the committed starting inputs in
# fuzz/corpus/<target>/ are read, never written). A failing input is saved to
# build/fuzz/findings/<target>/ and its report to build/fuzz/logs/<target>.log.
# Exits non-zero when a target found something.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-300}
case $seconds in
'' | *[!0-9]*) echo "usage: $0 [SECONDS_PER_TARGET]" >&2; exit 2 ;;
esac
build=$root/build/fuzz
targets=(fuzz_read_number fuzz_record_file fuzz_report)

# clang-14 comes with the machine; libFuzzer's runtime is libclang-rt-14-dev (setup.sh).
cxx=$(command -v clang++-14 || command -v clang++) || { echo "clang++ is not installed" >&2; exit 2; }
probe=$(mktemp -d)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! "$cxx" -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
    echo "fuzz: $cxx cannot link libFuzzer; installing what is missing" >&2
    "$root/scripts/setup.sh" || exit 2
fi
rm -rf "$probe"

echo "=== build (clang: $cxx)"
if ! { cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
    >/dev/null && cmake --build "$build"; }; then
    echo "fuzz: build failed" >&2
    exit 2
fi

# The record-file target writes a file per input: a RAM-backed folder is much faster.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

status=0
summary=()
for t in "${targets[@]}"; do
    corpus=$build/corpus/$t findings=$build/findings/$t log=$build/logs/$t.log
    mkdir -p "$corpus" "$findings" "$(dirname "$log")"
    dict=$root/fuzz/${t#fuzz_}.dict
    extra=()
    [ -f "$dict" ] && extra+=(-dict="$dict")
    # Records past the fourth are only carried along: short inputs cover the logic.
    [ "$t" = fuzz_record_file ] && extra+=(-max_len=256)
    seeds=()
    if [ "$t" = fuzz_report ]; then
        # The exe's own reports, as the e2e tests kept them, copied: libFuzzer reads its
        # corpus folders whole, and the artefacts folder holds other files.
        seeds=("$build/seeds/$t")
        rm -rf "${seeds[0]}" && mkdir -p "${seeds[0]}"
        cp "$root"/build/win*/artefacts/rapport-*.json "${seeds[0]}/" 2>/dev/null ||
            echo "fuzz_report: no e2e report to start from (run scripts/run-e2e.sh first)" >&2
    fi
    echo
    echo "=== $t: $seconds s"
    t0=$SECONDS
    # One process, stopped at the first finding; paths absolute (the record-file
    # target changes its current folder).
    "$build/$t" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
        "${extra[@]}" "$corpus" "$root/fuzz/corpus/$t" "${seeds[@]}" >"$log" 2>&1
    rc=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
    grep -E '^(INFO: Seed|#[0-9]+ +DONE|Done )' "$log"
    if [ "$rc" -eq 0 ]; then
        summary+=("$t: nothing found in $((SECONDS - t0)) s, ${execs:-?} executions, $cov, corpus $(find "$corpus" -type f | wc -l) inputs")
    else
        status=1
        # The report: sanitizer summary, our invariant message, the saved input.
        grep -E 'invariant failed|^input \(|runtime error|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|SUMMARY|uncaught|exception|Test unit written' "$log" | head -20
        summary+=("$t: FOUND a failure after $((SECONDS - t0)) s, ${execs:-?} executions (exit $rc); see $log")
    fi
done

echo
echo "=== fuzzing summary"
printf '  %s\n' "${summary[@]}"
for t in "${targets[@]}"; do
    for f in "$build/findings/$t"/*; do
        [ -f "$f" ] && echo "  reproducer: $build/$t $f"
    done
done
exit "$status"
