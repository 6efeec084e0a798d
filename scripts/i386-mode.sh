#!/usr/bin/env bash
# How 32-bit x86 Linux programs run here (native32's unit tests, and 32-bit Wine for the
# win32 and e2e32 tiers), as DIAGRESO_I386 asks:
#   auto    (the default) natively where the kernel runs i386 programs
#           (scripts/i386-check.sh), through qemu-i386 user emulation where it does not
#   native  natively; fails where the kernel refuses them
#   qemu    through qemu-i386 on any machine, so that any machine can reproduce one whose
#           kernel refuses i386 programs
# Prints one line: "native", or "qemu" and, after a space, why not natively. Exits 0 when
# that way is open; 1 when it is not (the line then says why); 2 for a value it does not know.
#
# usage: scripts/i386-mode.sh
set -uo pipefail

here=$(dirname "${BASH_SOURCE[0]}")
want=${DIAGRESO_I386:-auto}
qemu_ok() {
    command -v qemu-i386 >/dev/null && return 0
    echo "qemu-i386 is not installed (package qemu-user; scripts/setup.sh installs it)"
    return 1
}
case $want in
auto)
    if why=$("$here/i386-check.sh"); then
        echo native
    else
        qemu_ok || exit 1
        echo "qemu $why"
    fi
    ;;
native)
    if ! why=$("$here/i386-check.sh"); then
        echo "DIAGRESO_I386=native, but $why"
        exit 1
    fi
    echo native
    ;;
qemu)
    qemu_ok || exit 1
    echo "qemu DIAGRESO_I386=qemu"
    ;;
*)
    echo "DIAGRESO_I386=$want: not native, qemu or auto"
    exit 2
    ;;
esac
