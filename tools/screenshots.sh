#!/usr/bin/env bash
# Starts the Klarvex window under Xvfb on the bundled sample title, runs
# Read EVO and Read XPL, and saves a PNG of every tab into out/screenshots
# (or the folder given), so the window can be seen without a display; then
# the same at 200 % (QT_SCALE_FACTOR=2) into its 200/ folder.
set -euo pipefail
cd "$(dirname "$0")/.."
outdir="${1:-out/screenshots}"
if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run is missing: apt-get install -y xvfb xauth" >&2
  exit 1
fi
tools/build.sh >/dev/null

# shoot SCALE DIR: one run of the window at that scale into that folder. The
# screen is large enough for the window at 200 %.
shoot() {
  QT_SCALE_FACTOR="$1" xvfb-run -a -s "-screen 0 2560x1600x24" build/tools/klarvex-screenshots "$2" samples
}

shoot 1 "$outdir"
shoot 2 "$outdir/200"
