#!/usr/bin/env bash
# Makes the small elementary-stream fixtures in tests/data/ (run once by a
# developer; the outputs are committed, tests never run ffmpeg).
#
#   tools/make_fixtures.sh          write tests/data/*
#   tools/make_fixtures.sh --dvd    also author a tiny DVD-Video from the
#                                   480p MPEG-2 + AC-3 stereo (+ a subpicture)
#                                   to /tmp/klarvex-dvd/VIDEO_TS (not committed)
#
# Needs: ffmpeg/ffprobe (Debian's 5.1 build: libx264, and the experimental
# dca / truehd / mlp encoders), mediainfo, python3, mpeg2enc (mjpegtools);
# dvdauthor + spumux for --dvd.  Everything is deterministic: fixed test patterns and tones, bitexact
# flags, single-threaded encoders, no metadata.  Helper scripts live in
# tools/fixtures/.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT="$ROOT/tests/data"
HELP="$ROOT/tools/fixtures"
DVD=0
for a in "$@"; do
  case "$a" in
    --dvd) DVD=1 ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) echo "make_fixtures: unknown option $a" >&2; exit 2 ;;
  esac
done

for t in ffmpeg ffprobe mediainfo python3 mpeg2enc; do
  command -v "$t" >/dev/null || { echo "make_fixtures: $t is missing" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/klarvex-fixtures.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

FF=(ffmpeg -nostdin -hide_banner -loglevel error -y)
# Output options that keep encoders and muxers reproducible and tag-free.
BITEXACT=(-fflags +bitexact -flags:v +bitexact -flags:a +bitexact
          -map_metadata -1 -map_chapters -1 -threads 1)

# All streams last 2.002 s: 60 frames at 30000/1001, 48 at 24000/1001, and
# 96096 audio sample frames at 48 kHz.
DUR=2.002
STEREO="aevalsrc=exprs=0.25*sin(2*PI*440*t)|0.25*sin(2*PI*660*t):s=48000:d=$DUR:c=stereo"
# 5.1 (FL FR FC LFE BL BR): a different tone on each channel.
SURROUND="aevalsrc=exprs=0.25*sin(2*PI*440*t)|0.25*sin(2*PI*554.37*t)|0.25*sin(2*PI*659.26*t)|0.25*sin(2*PI*60*t)|0.25*sin(2*PI*880*t)|0.25*sin(2*PI*1108.73*t):s=48000:d=$DUR:c=5.1"

say() { echo "make_fixtures: $*"; }

# --------------------------------------------------------------- video
say "MPEG-2 720x480 29.97 (DVD-like settings)"
"${FF[@]}" -f lavfi -i "testsrc=size=720x480:rate=30000/1001:duration=$DUR" \
  "${BITEXACT[@]}" -an -c:v mpeg2video -pix_fmt yuv420p -aspect 4:3 \
  -g 15 -bf 2 -b:v 6000k -maxrate 9000k -minrate 0 -bufsize 1835008 \
  -f mpeg2video "$OUT/mpeg2_480p.m2v"

say "MPEG-2 1920x1080 23.976"
"${FF[@]}" -f lavfi -i "smptehdbars=size=1920x1080:rate=24000/1001:duration=$DUR" \
  "${BITEXACT[@]}" -an -c:v mpeg2video -pix_fmt yuv420p -aspect 16:9 \
  -g 12 -bf 2 -b:v 3000k -maxrate 6000k -bufsize 1835008 \
  -f mpeg2video "$OUT/mpeg2_1080p.m2v"

say "MPEG-2 720x480 29.97 with soft 2:3 pulldown (mpeg2enc -p)"
# 24 film pictures at 24000/1001, every other one with repeat_first_field:
# 60 fields, 30 frames at 30000/1001. ffmpeg's encoder sets no such flag.
"${FF[@]}" -f lavfi -i "smptebars=size=720x480:rate=24000/1001" -frames:v 24 -pix_fmt yuv420p \
  -f yuv4mpegpipe - | mpeg2enc -v 0 -f 8 -p -n n -a 2 -b 2000 -o "$OUT/mpeg2_480i_pulldown.m2v"

say "H.264 1920x1080 23.976 (libx264, AUDs, VUI timing, fixed frame rate)"
# The x264 version/options SEI (NAL type 6) is removed with filter_units, so
# the stream carries no encoder tag.
"${FF[@]}" -f lavfi -i "testsrc2=size=1920x1080:rate=24000/1001:duration=$DUR" \
  "${BITEXACT[@]}" -an -c:v libx264 -pix_fmt yuv420p -profile:v high -level 4.1 \
  -preset medium \
  -x264-params "aud=1:force-cfr=1:keyint=24:min-keyint=24:scenecut=0:bitrate=1000:vbv-maxrate=3000:vbv-bufsize=3000" \
  -bsf:v filter_units=remove_types=6 -f h264 "$OUT/h264_1080p.264"

say "VC-1 Advanced profile 1920x1080 23.976 (hand-built)"
python3 "$HELP/make_vc1.py" "$OUT/vc1_ap_1080p.vc1"

# --------------------------------------------------------------- audio
say "AC-3 2.0 192k, AC-3 5.1 448k, E-AC-3 5.1 640k"
"${FF[@]}" -f lavfi -i "$STEREO" "${BITEXACT[@]}" -c:a ac3 -b:a 192k -f ac3 "$OUT/ac3_stereo.ac3"
"${FF[@]}" -f lavfi -i "$SURROUND" "${BITEXACT[@]}" -c:a ac3 -b:a 448k -f ac3 "$OUT/ac3_51.ac3"
"${FF[@]}" -f lavfi -i "$SURROUND" "${BITEXACT[@]}" -c:a eac3 -b:a 640k -f eac3 "$OUT/eac3_51.eac3"

say "DTS core 5.1 1536k (experimental dca encoder)"
"${FF[@]}" -f lavfi -i "$SURROUND" "${BITEXACT[@]}" -strict -2 -c:a dca -b:a 1536k \
  -f dts "$OUT/dts_51.dts"

say "TrueHD 5.1 24-bit, MLP 2.0 16-bit (experimental encoders)"
# The TrueHD stream is 24-bit, but its samples are rounded to 16 bits first:
# full 24-bit tones do not compress (over 1 MB for 2 s of 5.1).
SURROUND16="$SURROUND,aformat=sample_fmts=s16,aformat=sample_fmts=s32"
"${FF[@]}" -f lavfi -i "$SURROUND16" "${BITEXACT[@]}" -strict -2 -c:a truehd \
  -f truehd "$OUT/truehd_51.thd"
"${FF[@]}" -f lavfi -i "$STEREO" "${BITEXACT[@]}" -strict -2 -c:a mlp \
  -sample_fmt s16 -f mlp "$OUT/mlp_stereo.mlp"

say "LPCM 16-bit big-endian stereo"
"${FF[@]}" -f lavfi -i "$STEREO" "${BITEXACT[@]}" -c:a pcm_s16be -f s16be \
  "$OUT/lpcm_s16be_stereo.pcm"

say "LPCM 24-bit stereo in DVD sample order"
"${FF[@]}" -f lavfi -i "$STEREO" "${BITEXACT[@]}" -c:a pcm_s24be -f s24be "$WORK/s24.raw"
python3 "$HELP/make_lpcm24.py" pack "$WORK/s24.raw" "$OUT/lpcm_s24_stereo.raw" 2

say "LPCM of five formats in a small DVD-Video stream, with ffmpeg's decoding"
python3 "$HELP/make_lpcm_wav.py" "$OUT"

# --------------------------------------------------------------- subpictures
say "subpicture units"
python3 "$HELP/make_spu.py" --vobsub "$WORK" "$OUT"

# --------------------------------------------------------------- checks
say "checks"
# Lossless encoders: the decoded audio must equal the source samples.
lossless_check() { # file format source-filter sample-format
  # The decoder may give a padded last access unit (whole 40-sample units):
  # the source must be a prefix of the decoded samples, the rest silence.
  "${FF[@]}" -f "$2" -i "$OUT/$1" -f "$4" "$WORK/dec.raw"
  "${FF[@]}" -f lavfi -i "$3" -f "$4" "$WORK/src.raw"
  python3 - "$WORK/dec.raw" "$WORK/src.raw" "$1" <<'PY'
import sys
dec, src = (open(p, "rb").read() for p in sys.argv[1:3])
assert dec[:len(src)] == src and not dec[len(src):].strip(b"\0"), \
    f"make_fixtures: {sys.argv[3]} does not decode to its source"
print(f"make_fixtures:   {sys.argv[3]} decodes to its {len(src)} source bytes "
      f"exactly (+{len(dec) - len(src)} bytes of padding silence)")
PY
}
lossless_check truehd_51.thd truehd "$SURROUND16" s24le
lossless_check mlp_stereo.mlp mlp "$STEREO" s16le
python3 "$HELP/make_lpcm24.py" check "$OUT/lpcm_s24_stereo.raw" "$WORK/s24.raw" 2 "$WORK"

# The 2-bit subpicture units, through ffmpeg's dvdsub decoder.
python3 "$HELP/check_spu.py" "$WORK"

# The pulldown clip: ffprobe's repeat_pict (repeat_first_field) on 12 of the
# 24 pictures.
pulldown=$(ffprobe -v error -show_frames -show_entries frame=repeat_pict -of default=nw=1 \
  "$OUT/mpeg2_480i_pulldown.m2v" | grep '^repeat_pict=' | sort | uniq -c | awk '{print $2":"$1}' | tr '\n' ' ')
[ "$pulldown" = "repeat_pict=0:12 repeat_pict=1:12 " ] \
  || { echo "make_fixtures: mpeg2_480i_pulldown.m2v repeat_pict counts: $pulldown" >&2; exit 1; }
say "  mpeg2_480i_pulldown.m2v: $pulldown"

# H.264: an access unit delimiter in front of every one of the 48 pictures,
# and VUI timing 1001/48000 with a fixed frame rate.
python3 - "$OUT/h264_1080p.264" <<'EOF'
import re, sys
d = open(sys.argv[1], "rb").read()
types = [d[m.end()] & 0x1F for m in re.finditer(b"\x00\x00\x01", d)]
aud = types.count(9)
vcl = sum(1 for t in types if t in (1, 5))
assert types[0] == 9 and aud == vcl == 48, (types[:8], aud, vcl)
for i, t in enumerate(types):
    if t in (1, 5):
        assert 9 in types[:i], "picture before any AUD"
print(f"make_fixtures:   h264_1080p.264: {aud} AUDs, {vcl} pictures")
EOF
timing=$(ffmpeg -nostdin -hide_banner -i "$OUT/h264_1080p.264" -c copy -bsf:v trace_headers \
  -f null - 2>&1 | grep -E ' (timing_info_present_flag|num_units_in_tick|time_scale|fixed_frame_rate_flag) ' \
  | head -4 | awk '{print $5"="$NF}' | tr '\n' ' ')
case "$timing" in
  *"timing_info_present_flag=1 num_units_in_tick=1001 time_scale=48000 fixed_frame_rate_flag=1 "*)
    say "  h264_1080p.264: VUI $timing" ;;
  *) echo "make_fixtures: unexpected H.264 VUI: $timing" >&2; exit 1 ;;
esac

# VC-1: ffprobe must read the hand-built sequence header.
vc1=$(ffprobe -v quiet -f vc1 -show_entries stream=profile,level,width,height,r_frame_rate \
  -of compact=p=0 "$OUT/vc1_ap_1080p.vc1")
[ "$vc1" = "profile=Advanced|width=1920|height=1080|level=3|r_frame_rate=24000/1001" ] \
  || { echo "make_fixtures: ffprobe reads the VC-1 headers as: $vc1" >&2; exit 1; }
say "  vc1_ap_1080p.vc1: ffprobe: $vc1"

# --------------------------------------------------------------- description
python3 "$HELP/describe.py" "$OUT" "$WORK"
python3 "$HELP/summary_facts.py" "$OUT"

cat > "$OUT/README.md" <<'EOF'
# Test data

Small real elementary streams for Klarvex's tests, all made by
`tools/make_fixtures.sh` (helpers in `tools/fixtures/`) with Debian's ffmpeg
5.1, from lavfi test patterns and tones; every stream lasts about 2 s
(2.002 s of source). Regenerate with `tools/make_fixtures.sh`; tests only
read these files. `fixtures.json` has what ffprobe and mediainfo say about
each one (codec, size, rates, dimensions, channels, frame counts, sha256).

| file | what it is | how it was made |
| --- | --- | --- |
| `mpeg2_480p.m2v` | MPEG-2 video, 720x480, 30000/1001, 4:2:0, 4:3, GOP 15 (2 B), 60 frames, DVD-like rate limits | ffmpeg `mpeg2video` from `testsrc`, `-f mpeg2video` |
| `mpeg2_1080p.m2v` | MPEG-2 video, 1920x1080, 24000/1001, 4:2:0, 16:9, GOP 12, 48 frames | ffmpeg `mpeg2video` from `smptehdbars` |
| `mpeg2_480i_pulldown.m2v` | MPEG-2 video, 720x480, 30000/1001 interlaced sequence carrying 24 film pictures with soft 2:3 pulldown (repeat_first_field on every other one: 60 fields, 30 frames), 4:3; not in `fixtures.json` | mjpegtools `mpeg2enc -f 8 -p` from `smptebars` at 24000/1001, checked with ffprobe's `repeat_pict` |
| `h264_1080p.264` | H.264 High@4.1 Annex B, 1920x1080, 24000/1001, 48 frames, AUD before every access unit, VUI timing with fixed frame rate, no SEI | ffmpeg `libx264` (`aud=1:force-cfr=1`) from `testsrc2`, SEI removed with `filter_units` |
| `vc1_ap_1080p.vc1` | VC-1 Advanced profile L3 byte stream, 1920x1080, 24000/1001, square pixels, BT.709: real sequence + entry-point headers every 12 frames, 48 frame start codes with filler (does not decode) | `tools/fixtures/make_vc1.py` |
| `ac3_stereo.ac3` | AC-3 2.0, 48 kHz, 192 kb/s, 63 frames | ffmpeg `ac3` from two sine tones |
| `ac3_51.ac3` | AC-3 5.1, 48 kHz, 448 kb/s, 63 frames | ffmpeg `ac3` from six sine tones |
| `eac3_51.eac3` | E-AC-3 5.1, 48 kHz, 640 kb/s, 63 frames | ffmpeg `eac3` |
| `dts_51.dts` | DTS core 5.1, 48 kHz, 1536 kb/s, 512-sample frames | ffmpeg `dca` (`-strict -2`) |
| `truehd_51.thd` | Dolby TrueHD 5.1, 48 kHz, 24-bit stream (the tones are rounded to 16 bits to keep it small) | ffmpeg `truehd` (`-strict -2`), checked to decode to its source |
| `mlp_stereo.mlp` | MLP 2.0, 48 kHz, 16-bit | ffmpeg `mlp` (`-strict -2`), checked to decode to its source |
| `lpcm_s16be_stereo.pcm` | raw LPCM, 16-bit big-endian, 2 ch interleaved, 48 kHz, 96096 sample frames (DVD LPCM sample order for 16 bits) | ffmpeg `-f s16be` |
| `lpcm_s24_stereo.raw` | raw LPCM, 24-bit, 2 ch, 48 kHz, 96096 sample frames, in DVD order: per two sample frames, the high 16 bits of each sample, then the low bytes; no headers | ffmpeg `-f s24be`, reordered by `tools/fixtures/make_lpcm24.py`, checked with ffmpeg's DVD LPCM decoder |
| `lpcm_dvd.vob`, `lpcm_dvd.A0.s16le`, `lpcm_dvd.A1.s24le` ... `lpcm_dvd.A4.s24le` | a DVD-Video program stream of two packs holding five LPCM substreams (A0 16-bit stereo, A1 24-bit 5.1, A2 20-bit 5.1, A3 24-bit 5 channels at 96 kHz, A4 20-bit mono; pseudo-random samples, each stream's first packet ending inside a sample group), and ffmpeg's decoding of each substream: what "LPCM as WAV" must write; not in `fixtures.json` | `tools/fixtures/make_lpcm_wav.py`, checked with ffprobe |
| `spu_2bit_1.sup.raw` | DVD subpicture unit (2-bit RLE), 64x16 box at (100,400), shown 0 to 176 ticks (2.002 s) | `tools/fixtures/make_spu.py`, checked with ffmpeg's dvdsub decoder (`check_spu.py`) |
| `spu_2bit_2.sup.raw` | DVD subpicture unit (2-bit RLE), 200x24 bars at (260,420), all run-length code sizes, shown 0 to 132 ticks | `tools/fixtures/make_spu.py`, checked like the first |
| `spu_8bit_1.sup.raw` | HD DVD style high-definition subpicture unit: `00 00`, 32-bit size, 32-bit control offset, 8-bit RLE, 96x20 | `tools/fixtures/make_spu.py` (round-trips through its own parser) |
| `fixtures.json` | ffprobe / mediainfo descriptions of the files above | `tools/fixtures/describe.py` |
| `fixture_facts.txt` | the same facts as "file key value" lines, for the C++ tests | `tools/fixtures/summary_facts.py` |
EOF

# --------------------------------------------------------------- sizes
python3 - "$OUT" <<'EOF'
import json, os, sys
d = sys.argv[1]
files = json.load(open(os.path.join(d, "fixtures.json")))["files"]
total = 0
for name in files:
    n = os.path.getsize(os.path.join(d, name))
    total += n
    assert n < 1_000_000, f"{name} is {n} bytes"
    print(f"make_fixtures: {n:9d}  {name}")
assert total < 6_000_000, total
print(f"make_fixtures: {total:9d}  total")
EOF

# --------------------------------------------------------------- DVD (optional)
if [ "$DVD" = 1 ]; then
  command -v dvdauthor >/dev/null || { echo "make_fixtures: dvdauthor is missing" >&2; exit 1; }
  D=/tmp/klarvex-dvd
  say "authoring a DVD-Video in $D"
  rm -rf "$D"
  mkdir -p "$D"
  "${FF[@]}" -i "$OUT/mpeg2_480p.m2v" -i "$OUT/ac3_stereo.ac3" -map 0:v -map 1:a \
    -target ntsc-dvd -c copy -fflags +bitexact -f dvd "$WORK/title.mpg"
  # A subpicture stream too, when spumux is there: the first 2-bit unit,
  # rendered by ffmpeg onto a transparent 720x480 picture.
  src="$WORK/title.mpg"
  if command -v spumux >/dev/null; then
    "${FF[@]}" -f lavfi -i "color=c=black@0:s=720x480:r=25:d=3,format=rgba" \
      -i "$WORK/spu.idx" -filter_complex "[0:v][1:s]overlay=format=rgb[v]" -map "[v]" \
      -ss 1.5 -frames:v 1 "$WORK/sub.png"
    cat > "$WORK/spu.xml" <<EOF
<subpictures format="NTSC">
  <stream>
    <spu start="00:00:00.20" end="00:00:01.80" image="$WORK/sub.png" force="no"/>
  </stream>
</subpictures>
EOF
    if spumux -s 0 "$WORK/spu.xml" < "$WORK/title.mpg" > "$WORK/title_sub.mpg" 2>"$WORK/spumux.log"; then
      src="$WORK/title_sub.mpg"
    else
      say "spumux failed, no subpicture stream:"; tail -3 "$WORK/spumux.log"
    fi
  fi
  VIDEO_FORMAT=NTSC dvdauthor -o "$D" -t -a ac3+en -s en "$src" >"$WORK/dvdauthor.log" 2>&1 \
    && VIDEO_FORMAT=NTSC dvdauthor -o "$D" -T >>"$WORK/dvdauthor.log" 2>&1 \
    || { tail -20 "$WORK/dvdauthor.log"; echo "make_fixtures: dvdauthor failed" >&2; exit 1; }
  ls -l "$D/VIDEO_TS"
  # The VOB must carry the fixture streams unchanged.
  "${FF[@]}" -i "$D/VIDEO_TS/VTS_01_1.VOB" -map 0:v -c copy -f mpeg2video - \
    | cmp - "$OUT/mpeg2_480p.m2v" && say "  VOB video = mpeg2_480p.m2v"
  "${FF[@]}" -i "$D/VIDEO_TS/VTS_01_1.VOB" -map 0:a -c copy -f ac3 - \
    | cmp - "$OUT/ac3_stereo.ac3" && say "  VOB audio = ac3_stereo.ac3"
  ffprobe -v error -show_entries stream=index,id,codec_name -of compact=p=0 \
    "$D/VIDEO_TS/VTS_01_1.VOB" | grep . | sed 's/^/make_fixtures:   VOB stream /'
  say "DVD-Video written to $D/VIDEO_TS (not part of the repository)"
fi
say "done"
