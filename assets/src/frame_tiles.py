"""Writes the eight 12x12 frame tiles ccbm0.gif .. ccbm7.gif.

The frame is two 1-pixel lines on a white ground: an outer light line one
pixel in from the window's edge and an inner dark line six pixels in.  The
corners round both lines about one centre and smooth them with intermediate
shades; every tile carries a 16-entry global palette and no transparency.

usage: frame_tiles.py OUTDIR
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gifwrite import gif89a  # noqa: E402

SIZE = 12
OUTER_AT = 1.5   # centre of the outer line (pixel i spans [i, i+1))
INNER_AT = 6.5   # centre of the inner line
CENTRE = 10.0    # both arcs turn about (CENTRE, CENTRE); straight from there on
SUB = 16         # supersampling per axis for the curves

# Corner tiles: near-white ground, outer and inner line, then blends.
CORNER_GROUND = (0xFE, 0xFE, 0xFC)
CORNER_OUTER = (0xBE, 0xCE, 0xDC)
CORNER_INNER = (0x02, 0x52, 0x9C)
# Edge tiles: the straight lines the corners continue into.
EDGE_GROUND = (0xFF, 0xFF, 0xFF)
EDGE_OUTER = (0xBF, 0xCF, 0xDF)
EDGE_INNER = (0x00, 0x50, 0x9F)

OUTER_STEPS = (0.2, 0.4, 0.6, 0.8)                      # 4 outer blends
INNER_STEPS = tuple(i / 10 for i in range(1, 10))        # 9 inner blends


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def palette(ground, outer, inner):
    """16 entries: ground, outer, inner, 4 ground-outer, 9 ground-inner."""
    pal = [ground, outer, inner]
    pal += [mix(ground, outer, t) for t in OUTER_STEPS]
    pal += [mix(ground, inner, t) for t in INNER_STEPS]
    assert len(pal) == 16 and len(set(pal)) == 16
    return pal


def nearest(cover, steps, full_index, first_step_index):
    """Palette index for a line covering `cover` of a pixel."""
    if cover < steps[0] / 2:
        return 0
    levels = [(t, first_step_index + i) for i, t in enumerate(steps)]
    levels.append((1.0, full_index))
    return min(levels, key=lambda lv: abs(lv[0] - cover))[1]


def in_line(x, y, at):
    """Is the point on the top-left corner's line whose straight runs sit at
    `at` (row and column centre)?  Half a pixel either side of the centre."""
    if x >= CENTRE and y >= CENTRE:
        return False
    if x >= CENTRE:
        return abs(y - at) <= 0.5
    if y >= CENTRE:
        return abs(x - at) <= 0.5
    radius = CENTRE - at
    d = ((x - CENTRE) ** 2 + (y - CENTRE) ** 2) ** 0.5
    return abs(d - radius) <= 0.5


def top_left_corner():
    """Indices into palette() for the top-left tile, row-major."""
    out = []
    for row in range(SIZE):
        for col in range(SIZE):
            o = i = 0
            for sy in range(SUB):
                for sx in range(SUB):
                    x = col + (sx + 0.5) / SUB
                    y = row + (sy + 0.5) / SUB
                    o += in_line(x, y, OUTER_AT)
                    i += in_line(x, y, INNER_AT)
            o /= SUB * SUB
            i /= SUB * SUB
            # The lines are five pixels apart and never share a pixel.
            assert not (o and i)
            if i:
                out.append(nearest(i, INNER_STEPS, 2, 7))
            else:
                out.append(nearest(o, OUTER_STEPS, 1, 3))
    return out


def straight(vertical, outer_pos, inner_pos):
    out = []
    for row in range(SIZE):
        for col in range(SIZE):
            p = col if vertical else row
            out.append(1 if p == outer_pos else 2 if p == inner_pos else 0)
    return out


def flip(pixels, horizontal, vertical):
    out = []
    for row in range(SIZE):
        r = SIZE - 1 - row if vertical else row
        for col in range(SIZE):
            c = SIZE - 1 - col if horizontal else col
            out.append(pixels[r * SIZE + c])
    return out


def tiles():
    tl = top_left_corner()
    far = SIZE - 1
    return [
        (palette(CORNER_GROUND, CORNER_OUTER, CORNER_INNER), tl),
        (palette(CORNER_GROUND, CORNER_OUTER, CORNER_INNER), flip(tl, True, False)),
        (palette(CORNER_GROUND, CORNER_OUTER, CORNER_INNER), flip(tl, True, True)),
        (palette(CORNER_GROUND, CORNER_OUTER, CORNER_INNER), flip(tl, False, True)),
        (palette(EDGE_GROUND, EDGE_OUTER, EDGE_INNER), straight(True, 1, 6)),
        (palette(EDGE_GROUND, EDGE_OUTER, EDGE_INNER), straight(False, 1, 6)),
        (palette(EDGE_GROUND, EDGE_OUTER, EDGE_INNER), straight(True, far - 1, far - 6)),
        (palette(EDGE_GROUND, EDGE_OUTER, EDGE_INNER), straight(False, far - 1, far - 6)),
    ]


def main():
    outdir = sys.argv[1]
    for n, (pal, pixels) in enumerate(tiles()):
        with open(os.path.join(outdir, "ccbm%d.gif" % n), "wb") as f:
            f.write(gif89a(SIZE, SIZE, pal, pixels))


if __name__ == "__main__":
    main()
