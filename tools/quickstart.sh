#!/usr/bin/env bash
# Installs what is missing, builds, then reads the bundled sample title and
# demuxes its streams into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install_deps.sh
tools/build.sh >/dev/null
# Read the two-file sample title and demux every stream of it into out/.
rm -rf out && mkdir -p out
echo "== klarvex-cli demux -o out samples/HVDVD_TS/FEATURE_1.EVO"
build/src/cli/klarvex-cli demux -o out samples/HVDVD_TS/FEATURE_1.EVO
echo "== the files written:"
ls -l out
