#!/usr/bin/env bash
# Renders the program's icon, data/klarvex.svg, into the PNGs the window
# carries as resources (src/ui/resources/icons/klarvex-SIZE.png), so it has
# its icon without Qt's SVG module and wherever it runs from. Needs
# rsvg-convert (Debian: librsvg2-bin). Run again after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v rsvg-convert >/dev/null; then
  echo "rsvg-convert is missing: apt-get install -y librsvg2-bin" >&2
  exit 1
fi
mkdir -p src/ui/resources/icons
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" -o "src/ui/resources/icons/klarvex-$size.png" data/klarvex.svg
done
