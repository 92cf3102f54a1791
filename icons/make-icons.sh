#!/usr/bin/env bash
# Redraws the two row status pictures from their SVG sources. A maintainer's
# tool: the GIFs it writes are committed, so the build never needs it.
#
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert (imagemagick).
#
# The pictures are 40 x 48 pixels: the same 5:6 shape as the status icon they
# are stretched into (about 17 x 20 pixels at 96 dpi, twice that on a HiDPI
# screen), so they are never distorted and scale down cleanly.
#
# GIF keeps only on/off transparency. The anti-aliased edge pixels are first
# blended onto the light grey of a window background, then every pixel that
# was less than about half covered becomes transparent, so the shapes keep a
# smooth edge without a dark or white fringe.
set -euo pipefail
cd "$(dirname "$0")"

convert=/usr/bin/convert   # the real ImageMagick, whatever else is on PATH
matte='#efefef'
for tool in rsvg-convert "$convert"; do
  command -v "$tool" >/dev/null || { echo "make-icons: $tool is missing (apt-get install librsvg2-bin imagemagick)" >&2; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for name in question-mark checkmark; do
  rsvg-convert --width 40 --height 48 "$name.svg" -o "$tmp/$name.png"
  "$convert" "$tmp/$name.png" -background "$matte" -flatten "$tmp/$name-rgb.png"
  "$convert" "$tmp/$name-rgb.png" \( "$tmp/$name.png" -alpha extract -threshold 45% \) \
    -alpha off -compose CopyOpacity -composite "$name.gif"
  echo "wrote icons/$name.gif"
done
