"""Packs a 32x32 drawing into an 8-bit (256-colour palette) icon.

usage: make_ico.py SIZE COLOURS.rgb ALPHA.gray OUT.ico
COLOURS.rgb: raw 8-bit RGB, already flattened on white and reduced to at
most 255 colours; ALPHA.gray: the drawing's raw 8-bit alpha.  Pixels under
half opacity become transparent through the icon's AND mask.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gifwrite import ico8  # noqa: E402


def main():
    size = int(sys.argv[1])
    rgb = open(sys.argv[2], "rb").read()
    alpha = open(sys.argv[3], "rb").read()
    n = size * size
    if len(rgb) != 3 * n or len(alpha) != n:
        sys.exit("make_ico: raw data does not match %dx%d" % (size, size))
    colours = [tuple(rgb[3 * i:3 * i + 3]) for i in range(n)]
    hidden = [a < 128 for a in alpha]
    # Black first: a hidden pixel must XOR the screen with zero.
    used = sorted({c for c, h in zip(colours, hidden) if not h} - {(0, 0, 0)})
    palette = [(0, 0, 0)] + used
    if len(palette) > 256:
        sys.exit("make_ico: %d colours, at most 256" % len(palette))
    where = {c: i for i, c in enumerate(palette)}
    indices = [0 if h else where[c] for c, h in zip(colours, hidden)]
    with open(sys.argv[4], "wb") as f:
        f.write(ico8(size, size, palette, indices, hidden))


if __name__ == "__main__":
    main()
