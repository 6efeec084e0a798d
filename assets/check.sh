#!/usr/bin/env bash
# Verifies the rendered pictures: size and format of each file, and the
# frame tile rules (12x12, 16-entry global palette, no transparency, lines
# on their rows and columns in their colours, corners meeting the edges).
# usage: check.sh [DIR]   (DIR defaults to assets/rendered)
# Exits non-zero on the first kind of mismatch it reports.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
dir=${1:-$here/rendered}
IM=/usr/bin/convert
ID=/usr/bin/identify
fail=0
bad() { echo "FAIL: $*"; fail=1; }

# byte FILE OFFSET COUNT : unsigned little-endian integer read from FILE
byte() { od -An -tu"$3" -j "$2" -N "$3" --endian=little "$1" | tr -d ' '; }

# name  identify-format  width  height
expect=(
  "revert_96.bmp    BMP3 96  96"
  "monitor_43.bmp   BMP3 53  62"
  "monitor_wide.bmp BMP3 72  62"
  "arrow_right.bmp  BMP3 64  64"
  "arrow_down.bmp   BMP3 64  64"
  "exit.bmp         BMP3 64  64"
  "diagreso.ico     ICO  32  32"
  "illustration.png PNG 117 82"
  "cancel_73.jpg    JPEG 73  73"
  "ok_73.jpg        JPEG 73  73"
  "fc_img_024.gif   GIF  117 82"
)
for i in 0 1 2 3 4 5 6 7; do expect+=("ccbm$i.gif GIF 12 12"); done

total=0
for line in "${expect[@]}"; do
  read -r name fmt w h <<<"$line"
  f=$dir/$name
  [[ -f $f ]] || { bad "$name missing"; continue; }
  total=$((total + $(stat -c %s "$f")))
  got=$("$ID" -format '%m %w %h\n' "$f" 2>&1)
  # Exactly one image per file
  [[ $got == "$fmt $w $h" ]] || bad "$name: identify says '$got', want '$fmt $w $h'"
done
echo "total size: $total bytes"
((total < 100 * 1024)) || bad "pictures take $total bytes, budget is 100 KiB"

# PNG: 8-bit truecolour without alpha (IHDR colour type 2)
for name in illustration; do
  f=$dir/$name.png; [[ -f $f ]] || continue
  depth=$(byte "$f" 24 1); ctype=$(byte "$f" 25 1)
  [[ $depth == 8 && $ctype == 2 ]] || bad "$name.png: bit depth $depth colour type $ctype, want 8 and 2 (RGB)"
done

# BMP: what the program draws without decoding (Picture::fromPackedDib): a 40-byte header,
# 8 bits per pixel, uncompressed, rows bottom-up (a positive height), whole rows present
for name in revert_96 monitor_43 monitor_wide arrow_right arrow_down exit; do
  f=$dir/$name.bmp; [[ -f $f ]] || continue
  hsize=$(byte "$f" 14 4); height=$(od -An -td4 -j 22 -N 4 --endian=little "$f" | tr -d ' ')
  bpp=$(byte "$f" 28 2); comp=$(byte "$f" 30 4); at=$(byte "$f" 10 4); width=$(byte "$f" 18 4)
  [[ $hsize == 40 && $bpp == 8 && $comp == 0 && $height -gt 0 ]] ||
    bad "$name.bmp: header $hsize bytes, $bpp bpp, compression $comp, height $height; want 40, 8, 0, > 0"
  (( $(stat -c %s "$f") >= at + (width + 3) / 4 * 4 * height )) || bad "$name.bmp: rows cut short"
done


# ICO: one entry, 8 bits per pixel, 256-entry palette in the DIB
f=$dir/diagreso.ico
if [[ -f $f ]]; then
  count=$(byte "$f" 4 2); off=$(byte "$f" 18 4)
  bpp=$(byte "$f" $((off + 14)) 2); used=$(byte "$f" $((off + 32)) 4)
  [[ $count == 1 && $bpp == 8 && ($used == 256 || $used == 0) ]] ||
    bad "diagreso.ico: $count images, $bpp bpp, $used palette entries; want 1, 8, 256"
fi

# JPEG and sample GIF: no alpha channel
for name in cancel_73.jpg ok_73.jpg fc_img_024.gif; do
  [[ -f $dir/$name ]] || continue
  a=$("$ID" -format '%A' "$dir/$name")
  [[ $a == False || $a == Undefined ]] || bad "$name: alpha channel '$a'"
done

# Ground: the colour behind each picture on its form (the panel, or the white window)
for entry in revert_96.bmp:255,224,192 monitor_43.bmp:255,224,192 monitor_wide.bmp:255,224,192 \
             arrow_right.bmp:255,255,255 arrow_down.bmp:255,255,255 exit.bmp:255,255,255 \
             illustration.png:255,255,255; do
  name=${entry%%:*} want=${entry#*:}
  [[ -f $dir/$name ]] || continue
  corner=$("$IM" "$dir/$name" -format '%[fx:int(255*p{0,0}.r)],%[fx:int(255*p{0,0}.g)],%[fx:int(255*p{0,0}.b)]' info:)
  [[ $corner == "$want" ]] || bad "$name: top-left pixel is $corner, not $want"
done

# Keys: raised, so the top-left edge is lighter than the bottom-right one
for name in cancel_73.jpg ok_73.jpg; do
  f=$dir/$name; [[ -f $f ]] || continue
  mean() { "$IM" "$f" -crop "$1" +repage -colorspace Gray -format '%[fx:mean]' info:; }
  light=$(awk -v a="$(mean 71x2+1+1)" -v b="$(mean 2x71+1+1)" 'BEGIN { print (a + b) / 2 }')
  dark=$(awk -v a="$(mean 71x2+1+70)" -v b="$(mean 2x71+70+1)" 'BEGIN { print (a + b) / 2 }')
  awk -v l="$light" -v d="$dark" 'BEGIN { exit !(l > d + 0.2) }' ||
    bad "$name: top-left edge ($light) not clearly lighter than bottom-right edge ($dark)"
done

# The supplied sample must be told apart from the built-in illustration
if [[ -f $dir/illustration.png && -f $dir/fc_img_024.gif ]]; then
  diff=$(/usr/bin/compare -metric RMSE "$dir/illustration.png" "$dir/fc_img_024.gif" null: 2>&1 | sed 's/.*(\(.*\)).*/\1/')
  awk -v x="$diff" 'BEGIN { exit !(x > 0.1) }' || bad "fc_img_024.gif looks too much like illustration.png (RMSE $diff)"
fi

# Frame tiles
for i in 0 1 2 3 4 5 6 7; do
  f=$dir/ccbm$i.gif; [[ -f $f ]] || continue
  [[ $(head -c 6 "$f") == GIF89a ]] || bad "ccbm$i.gif: not GIF89a"
  packed=$(byte "$f" 10 1)
  ((packed & 0x80)) || bad "ccbm$i.gif: no global colour table"
  (((packed & 7) == 3)) || bad "ccbm$i.gif: global table size bits $((packed & 7)), want 3 (16 entries)"
  entries=$("$ID" -verbose "$f" | sed -n 's/^ *Colormap entries: *//p')
  [[ $entries == 16 ]] || bad "ccbm$i.gif: identify reports $entries colormap entries"
  [[ $("$ID" -format '%A' "$f") == False ]] || bad "ccbm$i.gif: identify reports an alpha channel"
done

# Tile structure and pixels: walk the GIF blocks for a transparent colour,
# then check the pixels dumped by ImageMagick.
python3 - "$dir" "$IM" <<'PY' || fail=1
import os, re, subprocess, sys

d, im = sys.argv[1], sys.argv[2]
errors = []
N = 12
GROUND = {"corner": "#FEFEFC", "edge": "#FFFFFF"}
OUTER = {"corner": "#BECEDC", "edge": "#BFCFDF"}
INNER = {"corner": "#02529C", "edge": "#00509F"}


def transparent_gce(data):
    """Any Graphic Control Extension with the transparent flag set?"""
    pos = 13
    if data[10] & 0x80:
        pos += 3 << ((data[10] & 7) + 1)
    while pos < len(data):
        tag = data[pos]
        if tag == 0x3B:
            return False
        if tag == 0x21:
            label = data[pos + 1]
            if label == 0xF9 and data[pos + 3] & 1:
                return True
            pos += 2
        elif tag == 0x2C:
            flags = data[pos + 9]
            pos += 10
            if flags & 0x80:
                pos += 3 << ((flags & 7) + 1)
            pos += 1  # LZW minimum code size
        else:
            raise ValueError("unexpected block 0x%02X" % tag)
        while data[pos]:
            pos += data[pos] + 1
        pos += 1
    raise ValueError("no trailer")


def pixels(path):
    out = subprocess.run([im, path, "-depth", "8", "txt:-"], check=True,
                         capture_output=True, text=True).stdout
    grid = [[None] * N for _ in range(N)]
    for line in out.splitlines()[1:]:
        m = re.match(r"(\d+),(\d+):.*?(#[0-9A-F]{6})", line)
        grid[int(m.group(2))][int(m.group(1))] = m.group(3)
    return grid


tiles = {}
for i in range(8):
    path = os.path.join(d, "ccbm%d.gif" % i)
    if not os.path.exists(path):
        continue
    try:
        if transparent_gce(open(path, "rb").read()):
            errors.append("ccbm%d.gif: declares a transparent colour" % i)
    except (ValueError, IndexError) as e:
        errors.append("ccbm%d.gif: bad block structure (%s)" % (i, e))
    tiles[i] = pixels(path)
if len(tiles) != 8:
    print("FAIL: frame tiles missing, pixel rules not checked")
    sys.exit(1)

far = N - 1
# Edge tiles: (vertical?, outer position, inner position)
edges = {4: (True, 1, 6), 5: (False, 1, 6), 6: (True, far - 1, far - 6),
         7: (False, far - 1, far - 6)}
for i, (vertical, o, n) in edges.items():
    for r in range(N):
        for c in range(N):
            p = c if vertical else r
            want = OUTER["edge"] if p == o else INNER["edge"] if p == n else GROUND["edge"]
            if tiles[i][r][c] != want:
                errors.append("ccbm%d.gif: pixel row %d col %d is %s, want %s"
                              % (i, r, c, tiles[i][r][c], want))

# Corner tiles: (row of the outer line, its column, inner row, inner column)
corners = {0: (1, 1, 6, 6), 1: (1, far - 1, 6, far - 6),
           2: (far - 1, far - 1, far - 6, far - 6), 3: (far - 1, 1, far - 6, 6)}
for i, (orow, ocol, irow, icol) in corners.items():
    t = tiles[i]
    g, o, n = GROUND["corner"], OUTER["corner"], INNER["corner"]
    # Away from the curve: the two tile cells nearest the far sides.
    far_cols = (N - 2, N - 1) if ocol == 1 else (0, 1)
    far_rows = (N - 2, N - 1) if orow == 1 else (0, 1)
    for c in far_cols:
        for r in range(N):
            want = o if r == orow else n if r == irow else g
            if t[r][c] != want:
                errors.append("ccbm%d.gif: row %d col %d is %s, want %s (straight run)"
                              % (i, r, c, t[r][c], want))
    for r in far_rows:
        for c in range(N):
            want = o if c == ocol else n if c == icol else g
            if t[r][c] != want:
                errors.append("ccbm%d.gif: row %d col %d is %s, want %s (straight run)"
                              % (i, r, c, t[r][c], want))
    # Outside the outer line, towards the window's edge: ground only.
    edge_row = 0 if orow == 1 else far
    edge_col = 0 if ocol == 1 else far
    for k in range(N):
        if t[edge_row][k] != g or t[k][edge_col] != g:
            errors.append("ccbm%d.gif: outermost row/column not all ground" % i)
            break
    if t[orow][ocol] != g:
        errors.append("ccbm%d.gif: outer line is not rounded at its corner" % i)
    if t[irow][icol] == n:
        errors.append("ccbm%d.gif: inner line is not rounded at its corner" % i)
    shades = {p for row in t for p in row} - {g, o, n}
    if len(shades) < 3:
        errors.append("ccbm%d.gif: %d intermediate shades, the curves are not smoothed"
                      % (i, len(shades)))

# The four corners are one drawing mirrored.
def mirror(t, h, v):
    return [[t[far - r if v else r][far - c if h else c] for c in range(N)] for r in range(N)]
for i, h, v in ((1, True, False), (2, True, True), (3, False, True)):
    if tiles[i] != mirror(tiles[0], h, v):
        errors.append("ccbm%d.gif: not the mirror image of ccbm0.gif" % i)

for e in errors:
    print("FAIL:", e)
sys.exit(1 if errors else 0)
PY

# The help page: one self-contained UTF-8 file of at most 13 KiB.
page="$here/decalage.htm"
page_bytes=$(stat -c %s "$page")
if [ "$page_bytes" -gt $((13 * 1024)) ]; then echo "FAIL: decalage.htm is $page_bytes bytes, over 13 KiB"; fail=1; fi
if ! grep -q '<meta charset="utf-8">' "$page" || ! iconv -f UTF-8 -t UTF-8 "$page" >/dev/null 2>&1; then
  echo "FAIL: decalage.htm is not UTF-8 or does not say so"; fail=1
fi
if grep -q -i -E '<(script|link|img|iframe|object)\b|url\(|src=' "$page"; then
  echo "FAIL: decalage.htm refers to something outside itself"; fail=1
fi

if ((fail)); then echo "check.sh: FAILED"; exit 1; fi
echo "check.sh: all pictures and the help page OK"
