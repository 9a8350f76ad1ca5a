#!/usr/bin/env bash
# Runs every job of the command line on the bundled samples and the DVD IFO
# of tests/data (and on the DVD titles of tools/make_dvd_title.sh when their
# folder is given) and prints
# one line per output: its SHA-256 and its name. Logs are part of it (their
# progress and time texts don't go to a pipe). Two builds that print the same
# lines wrote the same bytes:
#   tools/output_snapshot.sh [DVD_TITLES_DIR] > before.txt
#   ... change ...
#   tools/output_snapshot.sh [DVD_TITLES_DIR] | diff before.txt -
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${KLARVEX_CLI:-build/src/cli/klarvex-cli}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
run=0

# One command into a folder of its own: its standard output, standard error
# and status are kept as files beside what it wrote.
snap() {
  run=$((run + 1))
  local dir="$work/$(printf '%02d' "$run")"
  mkdir -p "$dir/out"
  echo "$*" | sed "s|$work|WORK|g" >"$dir/command"
  set +e
  LC_ALL=C "$cli" "$@" >"$dir/stdout" 2>"$dir/stderr"
  echo "$?" >"$dir/status"
  set -e
  # Names of the temporary folders are the only thing that differs.
  sed -i "s|$work|WORK|g" "$dir/stdout" "$dir/stderr"
}

for source in samples/HVDVD_TS/FEATURE_1.EVO samples/DVD/VIDEO_TS/VTS_01_1.VOB samples/AUDIO_TS/ATS_01_1.AOB \
              ${1:+"$1"/film/VIDEO_TS/VTS_01_1.VOB "$1"/lpcm/VIDEO_TS/VTS_01_1.VOB}; do
  snap read "$source"
  snap read --full --json "$source"
  snap read --no-details --no-continue "$source"
  next=$((run + 1)); snap demux --full -o "$work/$(printf '%02d' "$next")/out" "$source"
  next=$((run + 1)); snap rebuild --full -o "$work/$(printf '%02d' "$next")/out" "$source"
  next=$((run + 1)); snap rebuild --full --adjust-pts --adv-pck -o "$work/$(printf '%02d' "$next")/out" "$source"
done
snap xpl --source samples/HVDVD_TS/FEATURE_1.EVO samples/ADV_OBJ/VPLST000.XPL
next=$((run + 1)); snap chapters --source samples/HVDVD_TS/FEATURE_1.EVO -o "$work/$(printf '%02d' "$next")/out" samples/ADV_OBJ/VPLST000.XPL
snap vti samples/HVDVD_TS/HVA00001.VTI
snap vti --evob FEATURE_2.EVO samples/HVDVD_TS/HVA00001.VTI
# The chapters of a DVD title from its IFO, given as such or found beside a VOB.
for source in tests/data/dvd_ifo/VTS_01_0.IFO ${1:+"$1"/film/VIDEO_TS/VTS_01_1.VOB "$1"/lpcm/VIDEO_TS/VTS_01_1.VOB}; do
  next=$((run + 1)); snap chapters -o "$work/$(printf '%02d' "$next")/out" "$source"
done

cd "$work"
find . -type f | sort | while read -r file; do
  echo "$(sha256sum <"$file" | cut -c1-64)  $file"
done
