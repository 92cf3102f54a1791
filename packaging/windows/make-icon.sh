#!/usr/bin/env bash
# Packs the application icon's PNG sizes (desktop/icons/, drawn from the SVG
# by desktop/render-icons.sh) into KORVEXConfig.ico for the Windows program,
# its Start-menu entry and Apps & features. A maintainer's tool: the .ico is
# committed, so the build needs nothing but the file.
#
# An .ico is a small directory of images; Windows (Vista and later) takes PNG
# images in it as they are, so no conversion is needed.
set -euo pipefail
cd "$(dirname "$0")"

id=org.korvexconfig.KORVEXConfig
sizes=(16 32 48 64 128 256)
out=KORVEXConfig.ico

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

{
  le16 0; le16 1; le16 ${#sizes[@]}           # reserved, type 1 (icon), count
  offset=$((6 + 16 * ${#sizes[@]}))
  for size in "${sizes[@]}"; do
    png=../../desktop/icons/${size}x${size}/$id.png
    bytes=$(stat -c %s "$png")
    dim=$((size == 256 ? 0 : size))              # 0 stands for 256
    printf "\\x$(printf %02x $dim)\\x$(printf %02x $dim)\\x00\\x00"
    le16 1; le16 32; le32 "$bytes"; le32 "$offset"
    offset=$((offset + bytes))
  done
  for size in "${sizes[@]}"; do
    cat "../../desktop/icons/${size}x${size}/$id.png"
  done
} >"$out"
echo "wrote packaging/windows/$out"
