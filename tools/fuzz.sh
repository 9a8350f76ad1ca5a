#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UBSan) into
# build-fuzz/ and runs each for SECONDS (default 30) from its committed
# seeds; what a run finds goes to a scratch corpus, never into the seeds.
# Exits non-zero when any target crashes, leaks or trips a sanitizer; the
# input is kept as fuzz-artifacts/<target>-crash-*.
#   tools/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
tools/install_deps.sh --fuzz
if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLARVEX_FUZZ=ON \
    -DKLARVEX_TESTS=OFF -DKLARVEX_BENCH=OFF -DKLARVEX_TOOLS=OFF -DKLARVEX_GUI=OFF >/dev/null
fi
ninja -C build-fuzz >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(walker mpeg2video vc1video h264video ac3 dts mlp lpcm xpl vti markup rebuild)
fi
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p fuzz-artifacts
failed=()
for target in "${targets[@]}"; do
  mkdir -p "$scratch/$target"
  log="$scratch/$target.log"
  if build-fuzz/fuzz/fuzz_"$target" "$scratch/$target" "fuzz/corpus/$target" -max_total_time="$seconds" \
       -artifact_prefix="fuzz-artifacts/$target-" -print_final_stats=1 >"$log" 2>&1; then
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    echo "fuzz_$target: ${runs:-?} runs in ${seconds} s, nothing found"
  else
    echo "fuzz_$target: FAILED"
    grep -E 'ERROR|SUMMARY|Test unit written' "$log" || tail -20 "$log"
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
