#!/usr/bin/env bash
# Renders every picture of the program from the sources in assets/src into
# assets/rendered.  The rendered files are committed: the build embeds them
# and never needs ImageMagick.  Running this again must give the same bytes
# (check with: git diff --exit-code assets/rendered).
#
# Needs: ImageMagick 6 (/usr/bin/convert, Debian package imagemagick),
#        the DejaVu fonts (fonts-dejavu-core), python3.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
src=$here/src
out=$here/rendered

# /usr/bin/convert explicitly: another "convert" may come first on PATH.
IM=/usr/bin/convert
FONT_DIR=/usr/share/fonts/truetype/dejavu
[[ -x $IM ]] || { echo "render.sh: $IM missing (apt-get install imagemagick)" >&2; exit 1; }
for f in DejaVuSans.ttf DejaVuSans-Bold.ttf; do
  [[ -f $FONT_DIR/$f ]] || { echo "render.sh: $FONT_DIR/$f missing (apt-get install fonts-dejavu-core)" >&2; exit 1; }
done
command -v python3 >/dev/null || { echo "render.sh: python3 missing" >&2; exit 1; }

# One thread and a fixed locale, so nothing depends on the machine.
export MAGICK_THREAD_LIMIT=1 LC_ALL=C PYTHONDONTWRITEBYTECODE=1

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"

# No metadata at all: no time chunks, no profiles, no comments.
NOMETA=(-strip +set date:create +set date:modify)
PNG_OUT=("${NOMETA[@]}" -define "png:exclude-chunks=date,time" -alpha off -type TrueColor -depth 8)

# draw SIZE FILE.mvg... : canvas of $GROUND (white unless set) with each MVG file
# drawn in turn. The files go in as -draw text because the security policy refuses @file.
draw() {
  local size=$1; shift
  local args=(-size "$size" "xc:${GROUND:-white}")
  for m in "$@"; do args+=(-draw "$(cat "$src/$m")"); done
  "$IM" "${args[@]}" "$tmp/canvas.miff"
}

# 8-bit BMP (a colour table of up to 256 entries, uncompressed, bottom-up): GDI draws it
# from the exe as it is stored. Only the revert arrow has more colours (333, the shades
# of its smoothed edges); the nearest 256 are kept, without dithering.
BMP_OUT=("${NOMETA[@]}" -alpha off -depth 8 +dither -colors 256 -type Palette -compress None)
bmp() {  # bmp NAME SIZE MVG...
  local name=$1; shift
  draw "$@"
  "$IM" "$tmp/canvas.miff" "${BMP_OUT[@]}" "BMP3:$out/$name.bmp"
}

# Main window: 8-bit BMP on the colour of what lies behind them: the light orange panel
# of the middle column, or the white window.
GROUND='#FFE0C0' bmp revert_96    96x96 revert_96.mvg
GROUND='#FFE0C0' bmp monitor_43   53x62 monitor_43.mvg
GROUND='#FFE0C0' bmp monitor_wide 72x62 monitor_wide.mvg
bmp arrow_right  64x64 arrow_right.mvg
bmp exit         64x64 exit.mvg
# The down arrow is the right arrow mirrored on the diagonal, which also
# moves the highlight from the top edge to the left edge.
draw 64x64 arrow_right.mvg
"$IM" "$tmp/canvas.miff" -transpose "${BMP_OUT[@]}" "BMP3:$out/arrow_down.bmp"

# Program icon: 32x32, 8 bits per pixel with a 256-entry palette
"$IM" -size 32x32 xc:none -draw "$(cat "$src/diagreso_32.mvg")" "$tmp/icon.miff"
"$IM" "$tmp/icon.miff" -background white -alpha remove -alpha off +dither -colors 255 -depth 8 "rgb:$tmp/icon.rgb"
"$IM" "$tmp/icon.miff" -alpha extract -depth 8 "gray:$tmp/icon.gray"
python3 "$src/make_ico.py" 32 "$tmp/icon.rgb" "$tmp/icon.gray" "$out/diagreso.ico"

# Confirmation dialog
draw 117x82 illustration.mvg
# A 24-bit picture, stored as PNG: a quarter of the bytes of the same pixels in BMP.
"$IM" "$tmp/canvas.miff" "${PNG_OUT[@]}" "PNG24:$out/illustration.png"

draw 117x82 fc_img_024.mvg
"$IM" "$tmp/canvas.miff" "${NOMETA[@]}" -alpha off +dither -colors 256 "GIF:$out/fc_img_024.gif"

# Keys: 4:4:4 sampling keeps the red and green marks sharp
for key in cancel_73 ok_73; do
  draw 73x73 key_73.mvg "$key.mvg"
  "$IM" "$tmp/canvas.miff" "${NOMETA[@]}" -sampling-factor 1x1 -quality 92 -interlace none "JPEG:$out/$key.jpg"
done

# Frame tiles: exact 16-colour palettes, written without ImageMagick
python3 "$src/frame_tiles.py" "$out"

echo "render.sh: $(find "$out" -maxdepth 1 -type f | wc -l) files in $out"
