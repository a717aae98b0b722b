#!/usr/bin/env bash
# Times `tarnconv --convert` of a 60 s DVD title against decoding the same title's VOB data
# alone: the title of a test disc (scripts/make-test-dvd.sh DIR long), converted as one joined
# segment with the engine's timers and size polls running, against `ffmpeg -threads 1` decoding
# its VOBs to null. The same conversion by `tmvtool encode --dvd` (the graph without the engine)
# shows what the engine adds. Each is run RUNS times (default 3), alternating; medians are
# printed with the peak memory and the load average (the machine may be shared).
#
# usage: bench/tarnconv_bench.sh [BUILD_DIR]   (default: build; needs tarnconv, tmvtool and the filter libraries)
set -euo pipefail
. "$(dirname "$0")/lib.sh"
bench_setup "${1:-}" converter/app/tarnconv tools/tmvtool/tmvtool
bench_test_disc long
export TARNMEDIA_INI=$work/TarnMedia.ini

convert() {
  rm -rf "$work/out" && mkdir "$work/out"
  measure "$tarnconv" --convert "$work/disc" --join --out "$work/out"
}
graph_only() { measure "$tmvtool" encode --dvd "$work/disc" --title 1 --chapters 1-6 -o "$work/long.tmv"; }
decode() { decode_vobs "$work/disc"; }

alternate convert graph_only decode
echo "title:                 60.06 s, 720x480 MPEG-2 with AC-3 (test disc 'long'), one joined segment"
report "tarnconv --convert" "$work/convert"
report "tmvtool encode" "$work/graph_only"
report "ffmpeg -threads 1" "$work/decode"
ratio "ratio" "$work/convert" "$work/decode" 1.5
