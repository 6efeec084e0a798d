#!/usr/bin/env bash
# Benchmarks of diagreso against a bare Win32 window and a hand-written peer of its
# dialog: start-up, the start-up tick, the dialog, memory, exe size. Measurements, not
# tests: it prints a table and writes bench/RESULTS.md; it fails only when something
# cannot be built or run.
#
# usage: bench/run.sh [RUNS]     (default 20 runs of each program, plus one warm-up)
# Needs what scripts/setup.sh installs; run as root on Debian 12.
# No errexit: the Wine helpers run commands that fail harmlessly (no server to end).
set -uo pipefail
die() { echo "bench: $*" >&2; exit 1; }

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-20}
out="$root/build/bench"
mkdir -p "$out"
cd "$root"

# --- builds -------------------------------------------------------------------------
# The program, 64- and 32-bit, configured as the win64/win32 presets do, but in folders
# of our own: other work may be rebuilding build/win64 meanwhile.
for arch in 64 32; do
  case $arch in
    64) toolchain=cmake/mingw-w64-x86_64.cmake ;;
    32) toolchain=cmake/mingw-w64-i686.cmake ;;
  esac
  dir="build/bench$arch"
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null ||
      die "cannot configure $dir"
  fi
  cmake --build "$dir" --target diagreso >/dev/null || die "cannot build $dir"
done
ours64="$root/build/bench64/src/diagreso.exe"
ours32="$root/build/bench32/src/diagreso.exe"

# The bare program, with the program's toolchain and its size flags.
bare_flags=(-std=c++20 -Os -Wall -Wextra -Werror -DUNICODE -D_UNICODE -static -static-libgcc -static-libstdc++
            -ffunction-sections -fdata-sections -Wl,--gc-sections -s -municode -mwindows)
x86_64-w64-mingw32-g++-posix "${bare_flags[@]}" bench/bare.cpp -o "$out/bare64.exe" || die "bare64"
i686-w64-mingw32-g++-posix "${bare_flags[@]}" bench/bare.cpp -o "$out/bare32.exe" || die "bare32"
# The hand-written peer of the dialog: the same flags and definitions as the program,
# and the program's own resources (its pictures, its manifest). Timed in 64-bit only.
IFS=. read -r vmajor vminor vpatch < <(sed -n 's/^project(diagreso VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
x86_64-w64-mingw32-windres -I assets -DDIAGRESO_VERSION_MAJOR="$vmajor" -DDIAGRESO_VERSION_MINOR="$vminor" \
  -DDIAGRESO_VERSION_PATCH="$vpatch" -DDIAGRESO_VERSION_TEXT="$vmajor.$vminor.$vpatch" assets/diagreso.rc -O coff -o "$out/peer-res64.o" || die "peer resources"
x86_64-w64-mingw32-g++-posix "${bare_flags[@]}" -Wpedantic -Wshadow -DWIN32_LEAN_AND_MEAN -DNOMINMAX \
  -D_WIN32_WINNT=0x0601 bench/peer.cpp "$out/peer-res64.o" -o "$out/peer64.exe" -lole32 || die "peer64"
# The driver is a console program; its own speed is not measured.
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -DUNICODE -D_UNICODE -static -municode \
  bench/driver.cpp -o "$out/driver.exe" -lgdi32 || die "driver"

# --- runs under Wine ----------------------------------------------------------------
# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
wine_session "$out" || die "no Wine session (Xvfb, prefix template)"
wine_prefix_fresh bench || die "no Wine prefix"
# One wineserver session for all runs: the driver lives through them all, and each
# program start is a later start (about 0.3 s) rather than a first one (about 2 s).
csv="$out/runs.csv"
workdir='C:\bench-runs' # one fresh folder per run inside it (fc_img_024.gif only); the prefix copy is new
timeout -k 10 2700 wine "$out/driver.exe" "$(winepath -w "$ours64")" "$(winepath -w "$out/bare64.exe")" \
  "$(winepath -w "$out/peer64.exe")" "$runs" "$workdir" "$(winepath -w "$root/assets/rendered/fc_img_024.gif")" \
  >"$csv" 2>"$out/driver.log" || { cat "$out/driver.log" >&2; die "driver failed"; }
load=$(cut -d' ' -f1-3 /proc/loadavg)
wine_stop
cat "$out/driver.log" >&2

# --- the table ----------------------------------------------------------------------
size() { stat -c %s "$1"; }
table=$(
  awk -F, -v s64="$(size "$ours64")" -v s32="$(size "$ours32")" \
      -v b64="$(size "$out/bare64.exe")" -v b32="$(size "$out/bare32.exe")" '
  function stats(prog, col,    n, i, j, t, v, k) {
    n = 0
    for (k = 1; k <= rows; k++)
      if (p[k] == prog && r[k] > 0 && (v = val[k, col]) >= 0) a[++n] = v + 0
    for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
    cnt = n; mn = n ? a[1] : -1
    md = !n ? -1 : (n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2)
  }
  # ref: the program the second column is, "bare" unless named.
  function row(name, oc, bc, unit, scale, target, ref,    omn, omd, bmn, bmd, ratio) {
    stats("ours", oc); omn = mn; omd = md
    if (bc) { stats(ref ? ref : "bare", bc); bmn = mn; bmd = md } else { bmn = -1; bmd = -1 }
    ratio = (omd > 0 && bmd > 0) ? sprintf("%.2f", omd / bmd) : "n/a"
    printf "| %s | %s | %s | %s | %s |\n", name, fmt(omn, omd, unit, scale), fmt(bmn, bmd, unit, scale), ratio, target
  }
  function fmt(a, b, unit, scale) {
    if (a < 0) return "n/a"
    return sprintf(unit == "ms" ? "%.1f / %.1f ms" : "%.1f / %.1f " unit, a / scale, b / scale)
  }
  NR > 1 { rows++; p[rows] = $1; r[rows] = $2; for (c = 3; c <= NF; c++) val[rows, c] = $c }
  END {
    print "| metric | ours (min / median) | bare, or the peer where named (min / median) | ratio of medians | target |"
    print "|---|---|---|---|---|"
    row("start to first paint", 3, 3, "ms", 1, "<= 1.2x")
    # The bare program has no tick: its column is its first paint.
    row("start to end of start-up tick, 500 ms timer subtracted (bare: first paint)", 4, 3, "ms", 1, "<= 1.2x")
    row("click to dialog visible and painted", 5, 5, "ms", 1, "<= 1.2x")
    row("click to dialog visible: ours vs hand-written peer", 5, 5, "ms", 1, "<= 1.15x", "peer")
    row("private bytes (PrivateUsage, K32GetProcessMemoryInfo)", 6, 6, "KiB", 1024, "<= 1.5x")
    row("Linux private resident (smaps_rollup Private_Clean+Private_Dirty)", 10, 10, "KiB", 1024, "<= 1.5x")
    # Both have decoded the dialog'"'"'s pictures by then: WIC is loaded in each.
    row("Linux private resident, first dialog up: ours vs hand-written peer", 11, 11, "KiB", 1024, "(info)", "peer")
    row("Linux VmRSS", 8, 8, "KiB", 1024, "(info)")
    row("Linux RssAnon", 9, 9, "KiB", 1024, "(info)")
    printf "| exe size, 64-bit | %.1f KiB | %.1f KiB | %.1f | <= 448 KiB |\n", s64 / 1024, b64 / 1024, s64 / b64
    printf "| exe size, 32-bit | %.1f KiB | %.1f KiB | %.1f | <= 448 KiB |\n", s32 / 1024, b32 / 1024, s32 / b32
    stats("ours", 3); n1 = cnt; stats("bare", 3); n2 = cnt; stats("peer", 3)
    printf "\n%d measured runs of ours, %d of bare, %d of the peer (run 0 of each, the warm-up, left out).\n", n1, n2, cnt
    stats("peer", 3); pmn = mn; pmd = md; stats("peer", 5)
    printf "The peer alone (min / median): start to first paint %s, click to dialog visible and painted %s.\n",
      fmt(pmn, pmd, "ms", 1), fmt(mn, md, "ms", 1)
  }' "$csv"
)
echo "$table"

# --- RESULTS.md -----------------------------------------------------------------------
# The section bench/synthese.sh writes stays as it is.
synthese=$(sed -n '/^## \/synthese on a fleet of reports/,$p' "$root/bench/RESULTS.md" 2>/dev/null)
{
  echo "# Benchmark results"
  echo
  echo "Written by \`bench/run.sh $runs\` on $(date)."
  echo
  echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'),"
  echo "$(wine --version), Xvfb $WINE_ENV_XVFB_SCREEN, virtual desktop $WINE_ENV_DESKTOP_SIZE."
  echo "Load average when the runs ended (other work shares the machine): $load."
  echo
  echo '```'
  free -h
  echo '```'
  echo
  echo "$table"
  echo
  echo "PrivateUsage reads 0 under Wine 8 (it is the Linux swap use); the smaps_rollup row stands"
  echo "for private bytes. See bench/README.md. Raw runs (ms, bytes): \`build/bench/runs.csv\`."
  if [ -n "$synthese" ]; then echo; echo "$synthese"; fi
} >"$root/bench/RESULTS.md"
echo "written: bench/RESULTS.md"
