#!/usr/bin/env bash
# Real camera footage (bench/camera_footage.sh) through both conversions, against FFmpeg decoding
# the same input on one thread to nothing:
#   tmvtool encode CLIP            against  ffmpeg -threads 1 -i CLIP -f null -
#   tarnconv --convert CLIP        against  the same (the clip as a video file title)
#   tarnconv --convert DISC --join against  ffmpeg -threads 1 of the title's VOBs -f null -
#   tmvtool encode box.mp4         against  ffmpeg -threads 1 -i box.mp4 -f null - (hand-held H.264)
# Each runs RUNS times (default 3), alternating; prints every run, the medians, the ratios (the
# target is at most 1.0) of wall and of processor time, the peak memory and the load average
# before and after.
#
# Run it on an otherwise idle machine: tarnconv keeps two processors busy while FFmpeg's yardstick
# uses one, so other work on the host stretches tarnconv's runs more than FFmpeg's (the load
# averages printed show whether the host was quiet).
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
convert_source() {  # SOURCE OUT_DIR
  rm -rf "$2" "$work/tarnconv.ini" && mkdir "$2"
  TARNMEDIA_INI=$work/tarnconv.ini measure "$tarnconv" --convert "$1" --join --out "$2"
}
convert() { convert_source "$footage/disc" "$work/out"; }
convert_file() { convert_source "$footage/clip.mpg" "$work/file-out"; }
encode_h264() {
  rm -f "$work/tmvtool.ini"
  measure "$tmvtool" encode "$footage/box.mp4" -o "$work/box.tmv" --ini "$work/tmvtool.ini"
}
decode() { measure ffmpeg -nostdin -v error -threads 1 -i "$1" -f null -; }
decode_clip() { decode "$footage/clip.mpg"; }
decode_h264() { decode "$footage/box.mp4"; }
decode_disc() { decode_vobs "$footage/disc"; }

alternate encode convert_file decode_clip convert decode_disc encode_h264 decode_h264
echo "input:                 60.06 s of camera footage, 720x480 29.97 fps MPEG-2 5 Mb/s (disc: + AC-3, 6 chapters)"
report "tmvtool encode" "$work/encode"
report "ffmpeg clip to null" "$work/decode_clip"
ratio "ratio tmvtool" "$work/encode" "$work/decode_clip" 1.0
report "tarnconv clip file" "$work/convert_file"
ratio "ratio tarnconv clip" "$work/convert_file" "$work/decode_clip" 1.0
report "tarnconv --convert" "$work/convert"
report "ffmpeg VOBs to null" "$work/decode_disc"
ratio "ratio tarnconv" "$work/convert" "$work/decode_disc" 1.0
echo "input:                 15.2 s of hand-held footage, 640x480 29.97 fps H.264 with B pictures (box.mp4)"
report "tmvtool encode box" "$work/encode_h264"
report "ffmpeg box to null" "$work/decode_h264"
ratio "ratio tmvtool box" "$work/encode_h264" "$work/decode_h264" 1.0

# The outputs under fixed names: tarnconv names its files by title and chapter.
cp "$work"/out/*.tmv "$work/disc.tmv"
cp "$work"/out/*.tms "$work/disc.tms"
cp "$work"/file-out/*.tmv "$work/file.tmv"
outputs=(clip.tmv disc.tmv disc.tms file.tmv box.tmv)
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
