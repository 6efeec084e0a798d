#!/usr/bin/env bash
# /synthese on a fleet, under Wine: folders of 1,000 and 10,000 reports (real ones from the
# exe, varied, copied as other tills), and of 10,000 reports ten times larger; for each,
# the time and the peak memory of `diagreso /synthese:FOLDER`, against a program that only
# lists and reads the same files the same way (bench/read_files.cpp). A measurement, not a
# test: it writes its section of bench/RESULTS.md and fails only when something cannot be
# built or run.
#
# usage: bench/synthese.sh [RUNS]     (default 3 runs of each, the median kept)
set -uo pipefail
die() { echo "bench: $*" >&2; exit 1; }

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-3}
out="$root/build/bench-synthese"
mkdir -p "$out"
cd "$root"

# The 64-bit exe as bench/run.sh builds it (MinSizeRel, a folder of its own).
dir=build/bench64
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=MinSizeRel \
    >/dev/null || die "cannot configure $dir"
fi
cmake --build "$dir" --target diagreso >/dev/null || die "cannot build $dir"
exe="$root/$dir/src/diagreso.exe"
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -DUNICODE -D_UNICODE -static -municode \
  bench/read_files.cpp -o "$out/read_files.exe" || die "read_files"

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
wine_session "$out" || die "no Wine session (Xvfb, prefix template)"
wine_prefix_fresh synthese || die "no Wine prefix"
c="$WINEPREFIX/drive_c"

# Real reports: the desktop at 1280 x 1024 (correct), at 800 x 600 (a screen too small),
# and at 120 dpi (the text enlarged, stretched at 125 % as Windows 10 would).
real="$out/real"
rm -rf "$real" && mkdir -p "$real"
report() { # NAME
  (cd "$real" && wine "$exe" "/rapport:$1.json" >/dev/null 2>&1)
  [ -s "$real/$1.json" ] || die "no report $1"
}
report correct
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
wine_stop
report small
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$WINE_ENV_DESKTOP_SIZE" /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
wine_stop
wine_set_dpi 120
report enlarged
wine_stop
wine_set_dpi 96

# The fleets: one report per till, and one till in ten with an older second one, in
# folders of 100 tills (shops).
python3 - "$real" "$c/bench" <<'PY' || die "cannot make the fleets"
import json, os, re, shutil, sys
real, base = sys.argv[1:3]
kinds = [open(os.path.join(real, f + ".json"), encoding="utf-8", newline="").read() for f in ("correct", "small", "enlarged")]
def till(text, name, time, bigger):
    text = re.sub(r'"computer": "[^"]*"', f'"computer": "{name}"', text, count=1)
    text = re.sub(r'"time": "[^"]*"', f'"time": "{time}"', text, count=1)
    if bigger:  # the same report with ten times its modes, as a driver that lists many
        m = re.search(r'"modes": \[\r\n(.*?)\r\n  \]', text, re.S)
        text = text[:m.start(1)] + ",\r\n".join([m.group(1)] * 10) + text[m.end(1):]
    return text
for name, count, bigger in (("fleet-1000", 1000, False), ("fleet-10000", 10000, False), ("fleet-10000-big", 10000, True)):
    folder = os.path.join(base, name)
    shutil.rmtree(folder, ignore_errors=True)
    made = 0; n = 0
    while made < count:
        shop = os.path.join(folder, f"magasin-{n // 100:03d}"); os.makedirs(shop, exist_ok=True)
        computer = f"CAISSE-{n:05d}"
        for k in range(2 if n % 10 == 0 else 1):
            if made == count: break
            with open(os.path.join(shop, f"{computer}-{k}.json"), "w", encoding="utf-8", newline="") as f:
                f.write(till(kinds[(n + k) % 3], computer, f"2026-12-{9 - k:02d}T08:00:00", bigger))
            made += 1
        n += 1
    size = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(folder) for f in fs)
    print(f"{name}: {made} files, {n} tills, {size} bytes")
PY

# One run: wall time and peak resident size (of the Wine process, Wine's own libraries
# included), as GNU time tells them.
measure() { # OUTFILE PROGRAM ARGS...
  local file=$1; shift
  /usr/bin/time -f "%e %M" -o "$file" wine "$@" >"$file.out" 2>&1
}
rows=()
for fleet in fleet-1000 fleet-10000 fleet-10000-big; do
  files=$(find "$c/bench/$fleet" -name '*.json' | wc -l)
  bytes=$(du -sb "$c/bench/$fleet" | cut -f1)
  for i in $(seq 0 "$runs"); do # run 0 warms the file cache and Wine, and is left out
    rm -rf "$out/work" && mkdir -p "$out/work"
    (cd "$out/work" && measure "$out/ours-$fleet-$i" "$exe" "/synthese:C:\\bench\\$fleet")
    measure "$out/read-$fleet-$i" "$out/read_files.exe" "C:\\bench\\$fleet"
  done
  grep -q "^Synthèse" "$out/ours-$fleet-1.out" || die "$fleet: $(cat "$out/ours-$fleet-1.out")"
  line=$(head -1 "$out/ours-$fleet-1.out")
  page=$(stat -c %s "$out/work/synthese.html") table=$(stat -c %s "$out/work/synthese.csv")
  rows+=("$(python3 - "$out" "$fleet" "$runs" "$files" "$bytes" "$page" "$table" <<'PY'
import statistics, sys
out, fleet, runs, files, size, page, table = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5]), int(sys.argv[6]), int(sys.argv[7])
def med(kind):
    # GNU time's last line; a run that failed ("Command exited with non-zero status") is left out.
    lines = [open(f"{out}/{kind}-{fleet}-{i}").read().splitlines() for i in range(1, runs + 1)]
    got = [l[-1].split() for l in lines if len(l) == 1]
    if not got: return float("nan"), 0
    return statistics.median(float(g[0]) for g in got), statistics.median(int(g[1]) for g in got)
(ot, om), (rt, rm) = med("ours"), med("read")
print(f"| {files:,} ({size / 1048576:.1f} MiB) | {ot:.2f} s | {ot / files * 1000:.2f} ms | {rt:.2f} s | "
      f"{rt / files * 1000:.2f} ms | {om / 1024:.1f} MiB | {rm / 1024:.1f} MiB | {page / 1024:.0f} / {table / 1024:.0f} KiB |")
PY
)")
  echo "$fleet: $line"
done
load=$(cut -d' ' -f1-3 /proc/loadavg)
wine_stop

section=$(
  echo "## /synthese on a fleet of reports"
  echo
  echo "Written by \`bench/synthese.sh $runs\` on $(date) ($(nproc) CPUs, $(wine --version); load average at the"
  echo "end $load). Median of $runs runs after a warm-up; real reports of the exe (1280 x 1024, 800 x 600,"
  echo "120 dpi) copied as other tills, one in ten with an older second report, 100 tills a folder; the"
  echo "large fleet's reports hold ten times their modes. Peak memory is the Wine process's peak"
  echo "resident size (GNU time), Wine's own libraries included; the floor reads the same files the"
  echo "same way and does nothing with them (\`bench/read_files.cpp\`)."
  echo
  echo "| reports (bytes) | /synthese | per report | reading alone | per report | /synthese peak | reading peak | page / table |"
  echo "|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
)
echo "$section"
# This section replaces its former self; whatever else RESULTS.md holds stays.
results="$root/bench/RESULTS.md"
SECTION=$section python3 - "$results" <<'PY'
import os, sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
at = text.find("## /synthese on a fleet of reports")
text = text[:at] if at >= 0 else text.rstrip("\n") + "\n\n"
open(path, "w", encoding="utf-8").write(text + os.environ["SECTION"] + "\n")
PY
echo "written: the /synthese section of bench/RESULTS.md"
