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
# The Windows icon: the PNGs themselves inside one .ico (Vista and later read PNG entries).
python3 - <<'PY'
import struct
sizes = [16, 24, 32, 48, 64, 128, 256]
images = [open(f"packaging/icons/moravel-{s}.png", "rb").read() for s in sizes]
header = struct.pack("<HHH", 0, 1, len(sizes))
offset = 6 + 16 * len(sizes)
entries = b""
for size, data in zip(sizes, images):
    entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
with open("packaging/windows/moravel.ico", "wb") as ico:
    ico.write(header + entries + b"".join(images))
PY
