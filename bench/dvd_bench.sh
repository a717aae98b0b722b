#!/usr/bin/env bash
# Times a DVD title converted through the conversion graph against decoding the same title's VOB
# data alone: a 60 s title of a test disc (scripts/make-test-dvd.sh DIR long), converted with
# `tmvtool encode --dvd`, against `ffmpeg -threads 1` decoding its VOBs to null. Each side runs
# RUNS times (default 3), alternating; prints every run, the medians, their ratio and the peak
# memory of each, with the load average before and after (measure on a quiet machine).
#
# usage: bench/dvd_bench.sh [BUILD_DIR]   (default: build; needs tmvtool and the filter libraries)
set -euo pipefail
. "$(dirname "$0")/lib.sh"
bench_setup "${1:-}" tools/tmvtool/tmvtool
bench_test_disc long

convert() {
  TARNMEDIA_INI=$work/TarnMedia.ini \
    measure "$tmvtool" encode --dvd "$work/disc" --title 1 --chapters 1-6 -o "$work/long.tmv"
}
decode() { decode_vobs "$work/disc"; }

alternate convert decode
echo "title:                 60.06 s, 720x480 MPEG-2 with AC-3 (test disc 'long')"
report "tmvtool encode" "$work/convert"
report "ffmpeg -threads 1" "$work/decode"
ratio "ratio" "$work/convert" "$work/decode" 1.5
