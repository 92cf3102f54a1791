#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG. A maintainer's tool:
# the PNGs are committed, so neither the build nor an install needs it.
# Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"

id=org.korvexconfig.KORVEXConfig
command -v rsvg-convert >/dev/null || { echo "render-icons: rsvg-convert is missing (apt-get install librsvg2-bin)" >&2; exit 1; }

for size in 16 32 48 64 128 256; do
  mkdir -p "icons/${size}x${size}"
  rsvg-convert --width "$size" --height "$size" "$id.svg" -o "icons/${size}x${size}/$id.png"
  echo "wrote desktop/icons/${size}x${size}/$id.png"
done
