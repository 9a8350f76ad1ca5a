#!/usr/bin/env bash
# Installs what is missing, builds, and reads the bundled sample title.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install_deps.sh
tools/build.sh >/dev/null
echo "== klarvex-cli read samples/HVDVD_TS/FEATURE_1.EVO"
build/src/cli/klarvex-cli read samples/HVDVD_TS/FEATURE_1.EVO
