#!/bin/sh
# Runs a program of the native32 preset (i686 Linux, the cross C library of
# libc6-i386-cross) as DIAGRESO_I386 asks (scripts/i386-mode.sh): natively where the
# kernel runs i386 programs, through the cross library's own loader (the host's
# /lib/ld-linux.so.2 is another glibc build), and through qemu-i386 elsewhere or when
# DIAGRESO_I386=qemu.
#
# usage: scripts/run-i386.sh PROGRAM [ARGUMENTS...]
lib=/usr/i686-linux-gnu/lib
if ! how=$("$(dirname "$0")/i386-mode.sh"); then
    echo "run-i386.sh: $how" >&2
    exit 126
fi
case $how in
native) exec "$lib/ld-linux.so.2" --library-path "$lib" "$@" ;;
*) exec qemu-i386 -L /usr/i686-linux-gnu "$@" ;;
esac
