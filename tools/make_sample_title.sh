#!/usr/bin/env bash
# Regenerates the bundled sample title in samples/ from tests/data/.
#
#   tools/make_sample_title.sh [--check] [BUILD_DIR]
#
# Builds klarvex-make-sample in BUILD_DIR (default: build/, configured with
# CMake + Ninja if it is not yet), writes the title to a scratch folder and
# then swaps it into samples/ (samples/README.md is kept). The output is the
# same bytes on every run.
#
# --check  also compares the result with ffmpeg/ffprobe (when installed):
#          every elementary stream demuxed by ffmpeg must equal the fixture
#          it came from, looped; and runs klarvex-cli read --full on each file
#          when klarvex-cli is built.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CHECK=0
BUILD=""
for a in "$@"; do
  case "$a" in
    --check) CHECK=1 ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    -*) echo "make_sample_title: unknown option $a" >&2; exit 2 ;;
    *) [[ -z "$BUILD" ]] || { echo "make_sample_title: only one BUILD_DIR" >&2; exit 2; }; BUILD=$a ;;
  esac
done
BUILD=${BUILD:-$ROOT/build}
DATA=$ROOT/tests/data
OUT=$ROOT/samples

if [[ ! -f "$BUILD/build.ninja" ]]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja >/dev/null
fi
ninja -C "$BUILD" klarvex-make-sample >/dev/null
TOOL=$BUILD/tools/klarvex-make-sample

mkdir -p "$OUT"
SCRATCH=$(mktemp -d "$OUT/.new.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT
"$TOOL" "$DATA" "$SCRATCH"
for d in HVDVD_TS DVD AUDIO_TS; do
  rm -rf "${OUT:?}/$d"
  mv "$SCRATCH/$d" "$OUT/$d"
done

echo "make_sample_title: wrote"
(cd "$OUT" && for f in HVDVD_TS/FEATURE_1.EVO HVDVD_TS/FEATURE_2.EVO DVD/VIDEO_TS/VTS_01_1.VOB AUDIO_TS/ATS_01_1.AOB; do
  printf '  %-28s %9d bytes  %s\n' "$f" "$(stat -c %s "$f")" "$(sha256sum "$f" | cut -c1-16)"
done)
printf '  %-28s %9d bytes\n' "total" "$(cat "$OUT"/HVDVD_TS/* "$OUT"/DVD/VIDEO_TS/* "$OUT"/AUDIO_TS/* | wc -c)"

[[ $CHECK == 1 ]] || exit 0

FAILED=0
if command -v ffmpeg >/dev/null; then
  CMP=$(mktemp -d)
  trap 'rm -rf "$SCRATCH" "$CMP"' EXIT
  # same FILE MAP FORMAT FIXTURE LOOPS [decode]: ffmpeg's copy (or decode) of
  # one stream must equal the fixture repeated LOOPS times.
  same() {
    local file=$1 map=$2 format=$3 fixture=$4 loops=$5 codec=(-c copy)
    [[ ${6:-} == decode ]] && codec=()
    ffmpeg -nostdin -v error -y -i "$OUT/$file" -map "$map" "${codec[@]}" -f "$format" "$CMP/got" 2>"$CMP/err" || true
    for ((i = 0; i < loops; i++)); do cat "$DATA/$fixture"; done >"$CMP/want"
    if cmp -s "$CMP/got" "$CMP/want"; then
      printf '  ok    %-26s %-5s = %s x%d\n' "$file" "$map" "$fixture" "$loops"
    else
      printf '  FAIL  %-26s %-5s != %s x%d\n' "$file" "$map" "$fixture" "$loops"; FAILED=1
    fi
  }
  echo "make_sample_title: ffmpeg demux checks"
  for n in 1 2; do
    f=HVDVD_TS/FEATURE_$n.EVO
    same $f 0:0 vc1 vc1_ap_1080p.vc1 2
    same $f 0:1 h264 h264_1080p.264 2
    same $f 0:2 eac3 eac3_51.eac3 2
    same $f 0:3 ac3 ac3_51.ac3 2
    same $f 0:4 dts dts_51.dts 2
    same $f 0:5 truehd truehd_51.thd 2
    same $f 0:6 s16be lpcm_s16be_stereo.pcm 2 decode
  done
  same DVD/VIDEO_TS/VTS_01_1.VOB 0:v mpeg2video mpeg2_480p.m2v 2
  same DVD/VIDEO_TS/VTS_01_1.VOB 0:a:0 ac3 ac3_stereo.ac3 2
  same DVD/VIDEO_TS/VTS_01_1.VOB 0:a:1 s16be lpcm_s16be_stereo.pcm 2 decode
  echo "make_sample_title: ffprobe streams"
  for f in HVDVD_TS/FEATURE_1.EVO DVD/VIDEO_TS/VTS_01_1.VOB AUDIO_TS/ATS_01_1.AOB; do
    echo "  $f"
    ffprobe -v quiet -show_entries stream=id,codec_name -of csv=p=0 "$OUT/$f" | sed '/^ *$/d; s/,$//; s/^/    /'
  done
else
  echo "make_sample_title: ffmpeg not installed, demux checks skipped"
fi

CLI=$BUILD/src/cli/klarvex-cli
if [[ -x "$CLI" ]]; then
  for f in HVDVD_TS/FEATURE_1.EVO DVD/VIDEO_TS/VTS_01_1.VOB AUDIO_TS/ATS_01_1.AOB; do
    echo "make_sample_title: klarvex-cli read --full $f"
    "$CLI" read --full "$OUT/$f" | sed 's/^/  /' || FAILED=1
  done
fi
exit $FAILED
