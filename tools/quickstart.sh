#!/usr/bin/env bash
# Installs what is missing, builds, then reads the bundled sample title,
# demuxes its streams into out/, and shows its playlist, chapters and title
# set information.
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
# The disc's playlist (tracks, chapters) and title set information.
echo "== klarvex-cli xpl --source samples/HVDVD_TS/FEATURE_1.EVO samples/ADV_OBJ/VPLST000.XPL"
build/src/cli/klarvex-cli xpl --source samples/HVDVD_TS/FEATURE_1.EVO samples/ADV_OBJ/VPLST000.XPL
echo "== klarvex-cli chapters -o out ..."
build/src/cli/klarvex-cli chapters --source samples/HVDVD_TS/FEATURE_1.EVO -o out samples/ADV_OBJ/VPLST000.XPL
echo "== klarvex-cli vti samples/HVDVD_TS/HVA00001.VTI"
build/src/cli/klarvex-cli vti samples/HVDVD_TS/HVA00001.VTI
