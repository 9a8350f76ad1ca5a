#!/usr/bin/env bash
# Authors two small DVD-Video test titles from synthetic sources, offline:
#
#   tools/make_dvd_title.sh OUTDIR
#
# OUTDIR/film/VIDEO_TS  NTSC 720x480 4:3, about 20 s: 23.976 fps film coded as
#     MPEG-2 with soft 2:3 pulldown (mpeg2enc -p: 29.97 in the sequence header,
#     repeat_first_field / top_field_first flags), muxed by mplex:
#       audio 1 (0x80) AC-3 2.0 192 kb/s, language en
#       audio 2 (0x81) AC-3 5.1 448 kb/s, language de
#       audio 3 (0xA2) LPCM 16-bit 48 kHz stereo, no language
#       subpicture 1 (0x20) en: a line every 2 s over the whole title
#       subpicture 2 (0x21) de: two lines, both in the first 5 s
#     The single VOB dvdauthor writes is cut in two, VTS_01_1.VOB and
#     VTS_01_2.VOB, at a 2048-byte pack inside the VOBU that holds the middle
#     byte: the second file starts with a video packet without PTS that
#     continues a frame begun in the first. The IFO/BUP files stay as
#     dvdauthor wrote them (they still describe one VOB file). The second
#     file must hold no packet of subpicture 2; that is checked.
# OUTDIR/lpcm/VIDEO_TS  PAL 720x576 4:3 25 fps MPEG-2 (ffmpeg), about 10 s:
#       audio 1 (0xA0) LPCM 24-bit 48 kHz 5.1 (6.912 Mb/s: above the 6.144
#                      Mb/s a DVD player must take, but well formed)
#       audio 2 (0xA1) LPCM 16-bit 48 kHz stereo
#       subpicture 1 (0x20) en
#     one VOB file, VTS_01_1.VOB.
# OUTDIR/facts.txt  for every VOB: ffprobe's streams and a per-stream packet
#     summary, and tools/pack_census.py's count (packets, first PTS per stream,
#     whether each stream's first packet in the file has a PTS).
#
# Needs ffmpeg/ffprobe, mpeg2enc and mplex (mjpegtools), spumux and dvdauthor,
# python3, and the DejaVu Sans font (fonts-dejavu-core) for the subtitles.
# OUTDIR/film, OUTDIR/lpcm and OUTDIR/facts.txt are replaced.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CENSUS=$ROOT/tools/pack_census.py
LPCM24=$ROOT/tools/fixtures/make_lpcm24.py

case "${1:-}" in
  -h|--help) sed -n '2,/^set / s/^# \{0,1\}//p' "$0" | grep -v '^set '; exit 0 ;;
esac
[[ $# -eq 1 && -n "$1" ]] || { echo "usage: tools/make_dvd_title.sh OUTDIR" >&2; exit 2; }
for t in ffmpeg ffprobe mpeg2enc mplex spumux dvdauthor python3; do
  command -v "$t" >/dev/null || { echo "make_dvd_title: $t is missing" >&2; exit 1; }
done
FONT="DejaVu Sans"
fc-list "$FONT" 2>/dev/null | grep -q . || { echo "make_dvd_title: font $FONT is missing (fonts-dejavu-core)" >&2; exit 1; }

mkdir -p "$1"
OUT=$(cd "$1" && pwd)
rm -rf "$OUT/film" "$OUT/lpcm" "$OUT/facts.txt" "$OUT/.work"
W=$OUT/.work
mkdir -p "$W"
LOG=$W/log.txt
# On failure the scratch folder stays, with every tool's output in log.txt.
on_exit() { [[ $1 -eq 0 ]] || echo "make_dvd_title: failed; see $LOG" >&2; }
trap 'on_exit $?' EXIT

run() { echo "+ $*" >>"$LOG"; "$@" >>"$LOG" 2>&1; }
ff() { run ffmpeg -nostdin -hide_banner -y -loglevel warning "$@"; }

srt_time() {  # seconds (may be fractional) -> HH:MM:SS,mmm
  python3 -c 'import sys; ms = round(float(sys.argv[1]) * 1000); print("%02d:%02d:%02d,%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000))' "$1"
}
srt_line() {  # N START END TEXT
  printf '%s\n%s --> %s\n%s\n\n' "$1" "$(srt_time "$2")" "$(srt_time "$3")" "$4"
}
spumux_xml() {  # FORMAT SRT W H FPS
  cat <<EOF
<subpictures format="$1">
 <stream>
  <textsub filename="$2" characterset="UTF-8" font="$FONT" fontsize="28.0"
   horizontal-alignment="center" vertical-alignment="bottom" bottom-margin="40"
   movie-fps="$5" movie-width="$3" movie-height="$4"/>
 </stream>
</subpictures>
EOF
}
# Fails unless FILE holds exactly the private stream 1 substreams given.
expect_substreams() {  # FILE ID...
  python3 - "$CENSUS" "$@" <<'PY'
import os, sys
sys.dont_write_bytecode = True; sys.path.insert(0, os.path.dirname(sys.argv[1])); import pack_census as pc
got = sorted(s["stream"] for s in pc.census(sys.argv[2])["streams"] if s["stream"].startswith("0xBD/"))
want = sorted("0xBD/" + i for i in sys.argv[3:])
if got != want:
    sys.exit("make_dvd_title: %s holds %s, expected %s" % (sys.argv[2], got, want))
PY
}

SECONDS=0

# ---- film: NTSC, 23.976 fps with soft pulldown, AC-3 x2 + LPCM, 2 subtitles
F=$W/film
mkdir -p "$F"
echo "film: video" >&2
# Light temporal noise keeps P/B pictures from being nearly empty, so frames
# span several packs.
echo "+ ffmpeg testsrc 24000/1001 | mpeg2enc -f 8 -p" >>"$LOG"
ffmpeg -nostdin -hide_banner -loglevel error \
    -f lavfi -i "testsrc=size=720x480:rate=24000/1001:duration=20,noise=alls=6:allf=t" \
    -pix_fmt yuv420p -f yuv4mpegpipe - 2>>"$LOG" |
  mpeg2enc -v 0 -f 8 -p -a 2 -n n -b 6000 -g 12 -G 12 -R 2 -r 8 -4 4 -2 4 \
    -o "$F/video.m2v" >>"$LOG" 2>&1
echo "film: audio" >&2
ff -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=20" \
   -f lavfi -i "sine=frequency=660:sample_rate=48000:duration=20" \
   -filter_complex "[0][1]amerge=inputs=2[a]" -map "[a]" -c:a ac3 -b:a 192k -f ac3 "$F/en.ac3"
ff -f lavfi -i "aevalsrc=0.5*sin(2*PI*330*t)|0.5*sin(2*PI*440*t)|0.5*sin(2*PI*550*t)|0.25*sin(2*PI*60*t)|0.5*sin(2*PI*660*t)|0.5*sin(2*PI*770*t):s=48000:d=20:c=5.1(side)" \
   -map 0:a -c:a ac3 -b:a 448k -f ac3 "$F/de.ac3"
ff -f lavfi -i "sine=frequency=1000:sample_rate=48000:duration=20" -ac 2 -f s16be "$F/pcm.lpcm"
# mplex numbers substreams by the audio stream's place: 0x80, 0x81, 0xA2.
run mplex -v 1 -f 8 -L 48000:2:16 -o "$F/mux.mpg" "$F/video.m2v" "$F/en.ac3" "$F/de.ac3" "$F/pcm.lpcm"
expect_substreams "$F/mux.mpg" 0x80 0x81 0xA2
echo "film: subtitles" >&2
{ for i in $(seq 0 9); do
    srt_line $((i + 1)) "$((2 * i)).5" "$((2 * i + 2))" "English line $((i + 1)) of 10"
  done; } >"$F/en.srt"
{ srt_line 1 0.8 2.3 "Deutsche Zeile 1: Grüße"
  srt_line 2 2.8 4.6 "Deutsche Zeile 2: Ende"; } >"$F/de.srt"
spumux_xml NTSC "$F/en.srt" 720 480 29.97 >"$F/en.xml"
spumux_xml NTSC "$F/de.srt" 720 480 29.97 >"$F/de.xml"
{ echo "+ spumux -s 0 en.xml; spumux -s 1 de.xml"
  spumux -s 0 "$F/en.xml" <"$F/mux.mpg" >"$F/sub1.mpg"
  spumux -s 1 "$F/de.xml" <"$F/sub1.mpg" >"$F/sub2.mpg"; } 2>>"$LOG" >>"$LOG"
expect_substreams "$F/sub2.mpg" 0x20 0x21 0x80 0x81 0xA2
cat >"$F/dvd.xml" <<EOF
<dvdauthor>
 <vmgm/>
 <titleset>
  <titles>
   <video format="ntsc" aspect="4:3"/>
   <audio lang="en"/>
   <audio lang="de"/>
   <audio format="pcm"/>
   <subpicture lang="en"/>
   <subpicture lang="de"/>
   <pgc>
    <vob file="$F/sub2.mpg" chapters="0,0:10"/>
   </pgc>
  </titles>
 </titleset>
</dvdauthor>
EOF
echo "film: dvdauthor" >&2
run env VIDEO_FORMAT=NTSC dvdauthor -o "$OUT/film" -x "$F/dvd.xml"

echo "film: split" >&2
# Cut inside the VOBU that holds the middle byte, at the first video pack
# without PTS whose previous pack is video too: that pack goes on with a
# frame started in the first file.
cp "$OUT/film/VIDEO_TS/VTS_01_1.VOB" "$F/whole.VOB"
python3 - "$OUT/film/VIDEO_TS" >"$W/split.txt" <<'PY'
import os, sys
d = sys.argv[1]
src = os.path.join(d, "VTS_01_1.VOB")
data = open(src, "rb").read()
P = 2048
n = len(data) // P
if len(data) % P:
    sys.exit("make_dvd_title: %s is not whole packs" % src)

def first_pes(i):
    p = data[i * P:(i + 1) * P]
    q = 14 + (p[13] & 7)
    if p[q:q + 4] == b"\x00\x00\x01\xbb":
        q += 6 + (p[q + 4] << 8 | p[q + 5])
    return p, q

def kind(i):
    p, q = first_pes(i)
    sid = p[q + 3]
    if sid == 0xBF and p[q + 6] == 0:
        return "nav", None
    if sid == 0xE0:
        return "video", bool(p[q + 7] & 0x80)
    return "other", None

navs = [i for i in range(n) if kind(i)[0] == "nav"]
mid = n // 2
start = max(v for v in navs if v <= mid)
for v in [v for v in navs if v >= start]:
    end = next((w for w in navs if w > v), n)
    cut = next((i for i in range(v + 2, end)
                if kind(i) == ("video", False) and kind(i - 1)[0] == "video"), None)
    if cut is not None:
        break
else:
    sys.exit("make_dvd_title: no video pack without PTS to cut at")
# the frame that goes on in the second file: last video PTS before the cut
last = None
for i in range(cut - 1, v, -1):
    k = kind(i)
    if k == ("video", True):
        p, q = first_pes(i)
        b = p[q + 9:q + 14]
        last = ((b[0] >> 1) & 7) << 30 | b[1] << 22 | (b[2] >> 1) << 15 | b[3] << 7 | b[4] >> 1
        break
open(os.path.join(d, "VTS_01_1.VOB"), "wb").write(data[:cut * P])
open(os.path.join(d, "VTS_01_2.VOB"), "wb").write(data[cut * P:])
print("VTS_01_1.VOB as written by dvdauthor: %d bytes, %d packs, %d VOBUs" % (len(data), n, len(navs)))
print("cut at pack %d (byte %d), in the VOBU whose navigation pack is pack %d (VOBU %d of %d, next navigation pack %s)"
      % (cut, cut * P, v, navs.index(v) + 1, len(navs), end if end < n else "none"))
print("the second file's first pack continues the video frame with PTS %s"
      % ("0x%08X (%d)" % (last, last) if last is not None else "unknown"))
print("VTS_01_1.VOB: %d bytes, VTS_01_2.VOB: %d bytes" % (cut * P, len(data) - cut * P))
PY
python3 - "$CENSUS" "$OUT/film/VIDEO_TS/VTS_01_2.VOB" <<'PY'
import os, sys
sys.dont_write_bytecode = True; sys.path.insert(0, os.path.dirname(sys.argv[1])); import pack_census as pc
r = pc.census(sys.argv[2])
if any(s["stream"] == "0xBD/0x21" for s in r["streams"]):
    sys.exit("make_dvd_title: VTS_01_2.VOB holds subpicture stream 2 (0x21)")
v = next(s for s in r["streams"] if s["stream"] == "0xE0")
if v["first_packet_has_pts"] or r["first_stream"] != "0xE0":
    sys.exit("make_dvd_title: VTS_01_2.VOB does not start with a video packet without PTS")
PY

# ---- lpcm: PAL, 24-bit 5.1 LPCM + 16-bit stereo LPCM, 1 subtitle
L=$W/lpcm
mkdir -p "$L"
echo "lpcm: video" >&2
ff -f lavfi -i "testsrc=size=720x576:rate=25:duration=10,noise=alls=6:allf=t" \
   -c:v mpeg2video -pix_fmt yuv420p -b:v 1200k -maxrate 1500k -bufsize 1835k \
   -g 12 -bf 2 -aspect 4:3 -flags +bitexact -f mpeg2video "$L/video.m2v"
# ffmpeg ends the stream without a sequence end code, and mplex leaves out a
# last picture that no start code closes.
printf '\x00\x00\x01\xb7' >>"$L/video.m2v"
echo "lpcm: audio" >&2
ff -f lavfi -i "aevalsrc=0.5*sin(2*PI*330*t)|0.5*sin(2*PI*440*t)|0.5*sin(2*PI*550*t)|0.25*sin(2*PI*60*t)|0.5*sin(2*PI*660*t)|0.5*sin(2*PI*770*t):s=48000:d=10:c=5.1(side)" \
   -map 0:a -f s24be "$L/a24.s24be"
# mplex takes LPCM as the bytes of the packets: 24-bit samples must already
# be in DVD order (groups of two sample frames, high 16 bits first).
run python3 "$LPCM24" pack "$L/a24.s24be" "$L/a24.lpcm" 6
ff -f lavfi -i "sine=frequency=1000:sample_rate=48000:duration=10" -ac 2 -f s16be "$L/a16.lpcm"
run mplex -v 1 -f 8 -L 48000:6:24,48000:2:16 -o "$L/mux.mpg" "$L/video.m2v" "$L/a24.lpcm" "$L/a16.lpcm"
expect_substreams "$L/mux.mpg" 0xA0 0xA1
echo "lpcm: subtitles" >&2
{ srt_line 1 0.5 2.5 "LPCM title: 24-bit 5.1 and 16-bit stereo"
  srt_line 2 4 6 "Second line"
  srt_line 3 7.5 9.5 "Third line"; } >"$L/en.srt"
spumux_xml PAL "$L/en.srt" 720 576 25 >"$L/en.xml"
echo "+ spumux -s 0 en.xml" >>"$LOG"
spumux -s 0 "$L/en.xml" <"$L/mux.mpg" >"$L/sub1.mpg" 2>>"$LOG"
expect_substreams "$L/sub1.mpg" 0x20 0xA0 0xA1
cat >"$L/dvd.xml" <<EOF
<dvdauthor>
 <vmgm/>
 <titleset>
  <titles>
   <video format="pal" aspect="4:3"/>
   <audio format="pcm"/>
   <audio format="pcm"/>
   <subpicture lang="en"/>
   <pgc>
    <vob file="$L/sub1.mpg"/>
   </pgc>
  </titles>
 </titleset>
</dvdauthor>
EOF
echo "lpcm: dvdauthor" >&2
run env VIDEO_FORMAT=PAL dvdauthor -o "$OUT/lpcm" -x "$L/dvd.xml"
BUILD_SECONDS=$SECONDS

# ---- facts
echo "facts" >&2
# Does each stream's payload in the VOB (as tools/pack_census.py strips it)
# equal the elementary stream that went into mplex?
payload_vs_sources() {  # VOB STREAM=FILE...
  python3 - "$CENSUS" "$@" <<'PY'
import hashlib, os, sys
sys.dont_write_bytecode = True; sys.path.insert(0, os.path.dirname(sys.argv[1])); import pack_census as pc
got = {s["stream"]: s for s in pc.census(sys.argv[2])["streams"]}
for arg in sys.argv[3:]:
    sid, path = arg.split("=", 1)
    data = open(path, "rb").read()
    s = got.get(sid, {"payload_bytes": 0, "md5": None})
    md5 = hashlib.md5(data).hexdigest()
    print("  %-10s %-10s %9d bytes %s  payload %9d bytes %s  %s" % (
        sid, os.path.basename(path), len(data), md5, s["payload_bytes"], s["md5"],
        "same" if md5 == s["md5"] else "DIFFERENT"))
PY
}
vts_attributes() {  # IFO: the title set's video, audio and subpicture attributes
  python3 - "$1" <<'PY'
import sys
b = open(sys.argv[1], "rb").read()
v = b[0x200]
print("  video: %s, %s, %s" % (["MPEG-1", "MPEG-2"][v >> 6 & 1], ["NTSC", "PAL"][v >> 4 & 1],
                               {0: "4:3", 3: "16:9"}.get(v >> 2 & 3, "?")))
coding = {0: "AC-3", 2: "MPEG-1", 3: "MPEG-2 ext", 4: "LPCM", 6: "DTS"}
for i in range(b[0x203]):
    a = b[0x204 + 8 * i:0x20C + 8 * i]
    lang = a[2:4].decode("latin-1") if a[0] >> 2 & 3 == 1 else "-"
    print("  audio %d: %s, %s, %d kHz, %d ch, language %s" % (
        i + 1, coding.get(a[0] >> 5, "?"), ["16-bit", "20-bit", "24-bit", "DRC"][a[1] >> 6],
        [48, 96][a[1] >> 4 & 1], (a[1] & 7) + 1, lang))
for i in range(b[0x255]):
    s = b[0x256 + 6 * i:0x25C + 6 * i]
    lang = s[2:4].decode("latin-1") if s[0] & 3 == 1 else "-"
    print("  subpicture %d: language %s" % (i + 1, lang))
PY
}
ffprobe_facts() {  # VOB
  local f=$1 probe=(-v error -probesize 100M -analyzeduration 100M)
  echo "ffprobe -show_format:"
  ffprobe "${probe[@]}" -show_entries format=format_name,start_time,duration,size,bit_rate \
    -of compact=p=0 "$f" 2>/dev/null | sed 's/^/  /'
  echo "ffprobe -show_streams (its messages, if any, first):"
  ffprobe "${probe[@]}" -show_entries \
    stream=index,id,codec_name,profile,width,height,sample_aspect_ratio,display_aspect_ratio,field_order,r_frame_rate,avg_frame_rate,sample_fmt,sample_rate,channels,channel_layout,bits_per_raw_sample,start_pts,start_time,duration_ts,bit_rate \
    -of compact=p=0 "$f" 2>"$W/ffprobe.err" >"$W/ffprobe.out"
  sed 's/ @ 0x[0-9a-f]*//; s/^/  ffprobe: /' "$W/ffprobe.err"
  sed '/^$/d; s/|$//; s/^/  /' "$W/ffprobe.out"
  echo "ffprobe -show_packets, per stream:"
  { ffprobe "${probe[@]}" -show_entries stream=index,id -of csv=p=0 "$f" 2>/dev/null | sed 's/^/S,/'
    ffprobe "${probe[@]}" -show_entries packet=stream_index,pts,dts,size -of csv=p=0 "$f" 2>/dev/null | sed 's/^/P,/'
  } | python3 -c '
import sys
ids, st, order = {}, {}, []
for line in sys.stdin:
    f = line.strip().split(",")
    if f[0] == "S" and len(f) >= 3:
        ids[f[1]] = f[2]
    if f[0] != "P" or len(f) < 5:
        continue
    i, pts, dts, size = f[1:5]
    s = st.get(i)
    if s is None:
        s = st[i] = {"n": 0, "bytes": 0, "pts0": pts, "dts0": dts, "pts": None, "last": None}
        order.append(i)
    s["n"] += 1
    s["bytes"] += int(size)
    if pts != "N/A":
        if s["pts"] is None:
            s["pts"] = pts
        s["last"] = pts
print("  %-5s %-6s %8s %10s  %-12s %-12s %-12s %s" % ("index", "id", "packets", "bytes",
      "pts (1st)", "dts (1st)", "first pts", "last pts"))
for i in sorted(order, key=int):
    s = st[i]
    print("  %-5s %-6s %8d %10d  %-12s %-12s %-12s %s" % (i, ids.get(i, "?"), s["n"], s["bytes"],
          s["pts0"], s["dts0"], s["pts"] or "N/A", s["last"] or "N/A"))
print("  (pts/dts in 1/90000 s; \"pts (1st)\" is the first packet'"'"'s own pts, N/A when it has none)")
'
}
{
  echo "Facts of the DVD test titles written by tools/make_dvd_title.sh"
  echo "tools: $(ffmpeg -version | head -1 | cut -d' ' -f1-3); $(dvdauthor -h 2>&1 | grep -m1 -o 'version [0-9.]*[0-9]' | sed 's/^/dvdauthor /'); $(mplex 2>&1 | grep -m1 -o 'mjpegtools mplex-2 version [0-9.]*')"
  for t in film lpcm; do
    echo
    echo "===== $t: $OUT/$t/VIDEO_TS"
    for f in "$OUT/$t/VIDEO_TS"/*; do
      printf '  %-14s %10d bytes\n' "$(basename "$f")" "$(stat -c %s "$f")"
    done
    echo "VTS_01_0.IFO attributes:"
    vts_attributes "$OUT/$t/VIDEO_TS/VTS_01_0.IFO"
    if [[ $t == film ]]; then
      echo "split:"
      sed 's/^/  /' "$W/split.txt"
      echo "elementary streams fed to mplex against the payload of the VOB before the cut:"
      payload_vs_sources "$F/whole.VOB" 0xE0="$F/video.m2v" 0xBD/0x80="$F/en.ac3" \
        0xBD/0x81="$F/de.ac3" 0xBD/0xA2="$F/pcm.lpcm"
      echo "pack census of the VOB before the cut:"
      python3 "$CENSUS" "$F/whole.VOB" | sed "s|$W/film/whole.VOB|VTS_01_1.VOB before the cut|; s/^/  /"
    else
      echo "elementary streams fed to mplex against the payload of the VOB:"
      payload_vs_sources "$OUT/lpcm/VIDEO_TS/VTS_01_1.VOB" 0xE0="$L/video.m2v" \
        0xBD/0xA0="$L/a24.lpcm" 0xBD/0xA1="$L/a16.lpcm"
      echo "ffmpeg's decoding of the LPCM tracks against the source samples:"
      for a in "0:a:0 s24be a24.s24be" "0:a:1 s16be a16.lpcm"; do
        read -r map fmt src <<<"$a"
        ffmpeg -nostdin -hide_banner -loglevel error -probesize 100M -analyzeduration 100M \
          -i "$OUT/lpcm/VIDEO_TS/VTS_01_1.VOB" -map "$map" -f "$fmt" - 2>/dev/null >"$L/decoded"
        if cmp -s "$L/decoded" "$L/$src"; then r=same; else r=DIFFERENT; fi
        echo "  $map as $fmt: $(stat -c %s "$L/decoded") bytes, source $src $(stat -c %s "$L/$src") bytes: $r"
      done
      echo "  (ffmpeg reads 24-bit multi-channel LPCM in 12-byte groups of four samples in"
      echo "  stream order; the 5.1 track is packed by tools/fixtures/make_lpcm24.py in groups"
      echo "  of two sample frames: both frames' high 16 bits, then their low bytes. For"
      echo "  stereo the two orders are the same.)"
    fi
    for v in "$OUT/$t/VIDEO_TS"/VTS_01_*.VOB; do
      echo
      echo "--- $t/$(basename "$v")"
      ffprobe_facts "$v"
      echo "pack census (tools/pack_census.py):"
      python3 "$CENSUS" "$v" | sed "s|$OUT/||; s/^/  /"
    done
  done
} >"$OUT/facts.txt"

rm -rf "$W"
echo "make_dvd_title: wrote $OUT/film/VIDEO_TS, $OUT/lpcm/VIDEO_TS and $OUT/facts.txt (titles in ${BUILD_SECONDS} s, all in ${SECONDS} s)" >&2
