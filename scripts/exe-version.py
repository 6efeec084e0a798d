#!/usr/bin/env python3
"""The file version a Windows program carries in its version resource (VS_FIXEDFILEINFO),
as Windows Installer reads it to decide whether a file replaces the one installed.

usage: scripts/exe-version.py EXE                  prints it, as 1.3.0.0
       scripts/exe-version.py EXE VERSION OUT       writes EXE to OUT carrying VERSION
                                                    (file and product version), for the
                                                    MSI test's stand-ins of other releases
"""
import struct
import sys

SIGNATURE = struct.pack("<I", 0xFEEF04BD)


def fixed_info(data):
    at = data.find(SIGNATURE)
    if at < 0 or data.find(SIGNATURE, at + 1) >= 0:
        sys.exit("exe-version: no single version resource in the exe")
    return at


def main():
    if len(sys.argv) not in (2, 4):
        sys.exit(__doc__)
    data = bytearray(open(sys.argv[1], "rb").read())
    at = fixed_info(data)
    if len(sys.argv) == 2:
        ms, ls = struct.unpack_from("<II", data, at + 8)
        print("%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF))
        return
    parts = [int(p) for p in sys.argv[2].split(".")]
    parts += [0] * (4 - len(parts))
    ms, ls = parts[0] << 16 | parts[1], parts[2] << 16 | parts[3]
    struct.pack_into("<IIII", data, at + 8, ms, ls, ms, ls)  # file, then product version
    open(sys.argv[3], "wb").write(data)


main()
