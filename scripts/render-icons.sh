#!/usr/bin/env bash
# Renders the PNG sizes of the icon from packaging/icons/moravel.svg. The PNGs
# are committed, so building needs no SVG renderer; run this after editing
# the SVG (it needs Debian's librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure-packages.sh
ensure_packages librsvg2-bin optipng
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" packaging/icons/moravel.svg -o "packaging/icons/moravel-$size.png"
    optipng -quiet -o5 -strip all "packaging/icons/moravel-$size.png"
done
