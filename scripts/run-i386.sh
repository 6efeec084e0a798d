#!/bin/sh
# Runs a program of the native32 preset (i686 Linux, the cross C library of
# libc6-i386-cross): natively where the kernel runs i386 programs, through the cross
# library's own loader (the host's /lib/ld-linux.so.2 is another glibc build), and
# through qemu-i386 elsewhere. DIAGRESO_I386_RUNNER=qemu forces qemu.
#
# usage: scripts/run-i386.sh PROGRAM [ARGUMENTS...]
lib=/usr/i686-linux-gnu/lib
if [ "${DIAGRESO_I386_RUNNER:-}" != qemu ] && "$(dirname "$0")/i386-check.sh" >/dev/null 2>&1; then
    exec "$lib/ld-linux.so.2" --library-path "$lib" "$@"
fi
exec qemu-i386 -L /usr/i686-linux-gnu "$@"
