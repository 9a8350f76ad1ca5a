#!/usr/bin/env bash
# Builds Klarvex and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
# The tools the tests check outputs with; without them (no root to install
# them) those checks are skipped and the rest runs.
tools/install_deps.sh --test-tools || tools/install_deps.sh
tools/build.sh >/dev/null
ctest --test-dir build --output-on-failure -j "$(nproc)"
