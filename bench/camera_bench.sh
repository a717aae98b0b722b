#!/usr/bin/env bash
# Real camera footage (bench/camera_footage.sh) through both conversions, against FFmpeg decoding
# the same input on one thread to nothing:
#   tmvtool encode CLIP            against  ffmpeg -threads 1 -i CLIP -f null -
#   tarnconv --convert DISC --join against  ffmpeg -threads 1 of the title's VOBs -f null -
# Each runs RUNS times (default 3), alternating; prints every run, the medians, the ratios (the
# target is at most 1.0) of wall and of processor time, the peak memory and the load average
# before and after.
#
# KEEP=DIR copies the movie and sound files of the last runs into DIR; COMPARE=DIR compares them
# byte for byte with the files kept there earlier (a speed change must not change an output byte).
#
# usage: bench/camera_bench.sh [BUILD_DIR]   (default: build)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${RUNS:-3}
tarnconv=$build/converter/app/tarnconv
tmvtool=$build/tools/tmvtool/tmvtool
for program in "$tarnconv" "$tmvtool"; do
  [[ -x $program ]] || { echo "$program is missing (build first)" >&2; exit 2; }
done
[[ -r $build/filters.ini ]] || { echo "$build/filters.ini is missing (build the filter libraries)" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is needed for the peak memory" >&2; exit 2; }

footage=$build/camera-footage
"$here/camera_footage.sh" "$footage" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/filters.ini" "$work/filters.ini"
export TARNMEDIA_FILTERS=$work/filters.ini

# Wall seconds, peak resident KiB and processor seconds (user + system) of a command.
measure() {
  /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$@" >"$work/stdout" 2>"$work/stderr" || {
    echo "failed: $*" >&2
    cat "$work/stderr" "$work/stdout" >&2
    exit 1
  }
  awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time"
}
# Each run starts from no settings file: tmvtool with the encoder's defaults, tarnconv with the
# converter's (which it writes for the encoder: brighter, sharper pictures that cost more bytes).
encode() {
  rm -f "$work/tmvtool.ini"
  measure "$tmvtool" encode "$footage/clip.mpg" -o "$work/clip.tmv" --ini "$work/tmvtool.ini"
}
convert() {
  rm -rf "$work/out" "$work/tarnconv.ini" && mkdir "$work/out"
  TARNMEDIA_INI=$work/tarnconv.ini measure "$tarnconv" --convert "$footage/disc" --join --out "$work/out"
}
decode_clip() { measure ffmpeg -nostdin -v error -threads 1 -i "$footage/clip.mpg" -f null -; }
decode_disc() {
  measure sh -c "cat '$footage'/disc/VIDEO_TS/VTS_01_*.VOB | ffmpeg -nostdin -v error -threads 1 -f mpeg -i - -f null -"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
report() {  # NAME FILE
  printf '%-22s median %s s of %s, peak %s KiB, processor median %s s\n' "$1:" "$(cut -d' ' -f1 "$2" | median)" \
    "$(cut -d' ' -f1 "$2" | paste -sd' ')" "$(cut -d' ' -f2 "$2" | median)" "$(cut -d' ' -f3 "$2" | median)"
}
ratio() {  # NAME FILE FILE
  awk -v n="$1" -v a="$(cut -d' ' -f1 "$2" | median)" -v b="$(cut -d' ' -f1 "$3" | median)" \
    'BEGIN { printf "%-22s %.2f (target at most 1.0)\n", n ":", a / b }'
  awk -v n="$1" -v a="$(cut -d' ' -f3 "$2" | median)" -v b="$(cut -d' ' -f3 "$3" | median)" \
    'BEGIN { printf "%-22s %.2f (processor seconds; a loaded machine stretches the wall times)\n", n ":", a / b }'
}

echo "load before:           $(cut -d' ' -f1-3 /proc/loadavg)"
for name in encode convert decode_clip decode_disc; do : >"$work/$name"; done
for ((i = 1; i <= runs; i++)); do
  for name in encode decode_clip convert decode_disc; do "$name" >>"$work/$name"; done
done
echo "load after:            $(cut -d' ' -f1-3 /proc/loadavg)"
echo "input:                 60.06 s of camera footage, 720x480 29.97 fps MPEG-2 5 Mb/s (disc: + AC-3, 6 chapters)"
report "tmvtool encode" "$work/encode"
report "ffmpeg clip to null" "$work/decode_clip"
ratio "ratio tmvtool" "$work/encode" "$work/decode_clip"
report "tarnconv --convert" "$work/convert"
report "ffmpeg VOBs to null" "$work/decode_disc"
ratio "ratio tarnconv" "$work/convert" "$work/decode_disc"

# The outputs under fixed names: tarnconv names its files by title and chapter.
cp "$work"/out/*.tmv "$work/disc.tmv"
cp "$work"/out/*.tms "$work/disc.tms"
outputs=(clip.tmv disc.tmv disc.tms)
if [[ -n ${KEEP:-} ]]; then
  mkdir -p "$KEEP"
  for name in "${outputs[@]}"; do cp "$work/$name" "$KEEP/"; done
  echo "kept:                  ${outputs[*]} in $KEEP"
fi
if [[ -n ${COMPARE:-} ]]; then
  for name in "${outputs[@]}"; do
    if cmp -s "$work/$name" "$COMPARE/$name"; then echo "same bytes:            $name"
    else echo "DIFFERENT:             $name"; status=1; fi
  done
  exit "${status:-0}"
fi
