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

. "$(dirname "$0")/lib.sh"
bench_setup "${1:-}" converter/app/tarnconv tools/tmvtool/tmvtool
footage=$build/camera-footage
"$here/camera_footage.sh" "$footage" >/dev/null

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
decode_disc() { decode_vobs "$footage/disc"; }

alternate encode decode_clip convert decode_disc
echo "input:                 60.06 s of camera footage, 720x480 29.97 fps MPEG-2 5 Mb/s (disc: + AC-3, 6 chapters)"
report "tmvtool encode" "$work/encode"
report "ffmpeg clip to null" "$work/decode_clip"
ratio "ratio tmvtool" "$work/encode" "$work/decode_clip" 1.0
report "tarnconv --convert" "$work/convert"
report "ffmpeg VOBs to null" "$work/decode_disc"
ratio "ratio tarnconv" "$work/convert" "$work/decode_disc" 1.0

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
