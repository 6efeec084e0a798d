#!/usr/bin/env bash
# Whether this machine's kernel runs 32-bit x86 Linux programs itself, natively; where it
# does not, scripts/i386-mode.sh runs them through qemu-i386. A tiny static i386 program
# is built once and run.
# Exits 0 and prints nothing when it runs; otherwise prints why, on one line, and exits 1
# (2 when the probe cannot even be built).
#
# usage: scripts/i386-check.sh
set -uo pipefail

cache=${TMPDIR:-/tmp}/diagreso-i386-probe-$(id -u)
probe=$cache/probe
if [ ! -x "$probe" ]; then
    command -v i686-linux-gnu-gcc >/dev/null || { echo "no i686-linux-gnu-gcc to build the probe (scripts/setup.sh)"; exit 2; }
    mkdir -p "$cache" || exit 2
    src=$(mktemp "$cache/probe.XXXXXX.c") || exit 2
    # A distinctive exit code: only a program that really ran returns it.
    printf 'int main(void) { return 42; }\n' >"$src"
    if ! i686-linux-gnu-gcc -static -O2 -o "$src.bin" "$src" 2>/dev/null; then
        rm -f "$src" "$src.bin"
        echo "the i386 probe could not be built (i686-linux-gnu-gcc -static)"
        exit 2
    fi
    rm -f "$src"
    mv -f "$src.bin" "$probe" # atomic: parallel callers see a whole probe or none
fi

# Where binfmt_misc hands i386 programs to qemu, the probe would run, but only emulated.
for entry in /proc/sys/fs/binfmt_misc/qemu-i386 /proc/sys/fs/binfmt_misc/qemu-i686; do
    if [ -r "$entry" ] && head -1 "$entry" | grep -qx enabled; then
        echo "i386 programs run here only through qemu-i386 (binfmt_misc $(basename "$entry")), not natively"
        exit 1
    fi
done

out=$("$probe" 2>&1)
rc=$?
[ "$rc" -eq 42 ] && exit 0
why="the kernel does not run i386 programs (a static i386 program gave exit code $rc"
[ -n "$out" ] && why+=": ${out##*: }"
why+=")"
# The kernel says why once, the first time it refuses one (readable as root).
note=$(dmesg 2>/dev/null | grep -m1 -o '32-bit emulation disabled.*')
[ -n "$note" ] && why+="; kernel log: $note"
echo "$why"
exit 1
