#!/usr/bin/env bash
# Builds Klarvex with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ and runs every test there.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install_deps.sh
if [ ! -f build-sanitize/build.ninja ]; then
  cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLARVEX_SANITIZE=ON \
    -DKLARVEX_BENCH=OFF -DKLARVEX_TOOLS=OFF >/dev/null
fi
ninja -C build-sanitize >/dev/null
ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
