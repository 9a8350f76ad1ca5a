#!/usr/bin/env bash
# Builds Klarvex and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install_deps.sh
tools/build.sh >/dev/null
ctest --test-dir build --output-on-failure -j "$(nproc)"
