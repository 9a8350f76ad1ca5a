#!/usr/bin/env bash
# Starts the Klarvex window under Xvfb on the bundled sample title, runs
# Read EVO and Read XPL, and saves a PNG of every tab into out/screenshots
# (or the folder given), so the window can be seen without a display.
set -euo pipefail
cd "$(dirname "$0")/.."
outdir="${1:-out/screenshots}"
if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run is missing: apt-get install -y xvfb xauth" >&2
  exit 1
fi
tools/build.sh >/dev/null
xvfb-run -a -s "-screen 0 1280x800x24" build/tools/klarvex-screenshots "$outdir" samples
