#!/usr/bin/env bash
# Times a DVD title converted through the conversion graph against decoding the same title's VOB
# data alone: a 60 s title of a test disc (scripts/make-test-dvd.sh DIR long), converted with
# `tmvtool encode --dvd`, against `ffmpeg -threads 1` decoding its VOBs to null. Each side runs
# RUNS times (default 3), alternating; prints every run, the median wall times, their ratio and
# the peak memory of each, with the load average before and after (measure on a quiet machine).
#
# usage: bench/dvd_bench.sh [BUILD_DIR]   (default: build; needs tmvtool and the filter libraries)
# Environment: RUNS (default 3).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${RUNS:-3}
tmvtool=$build/tools/tmvtool/tmvtool
[[ -x $tmvtool ]] || { echo "tmvtool not found in $build (build it, or pass the build folder)" >&2; exit 2; }
[[ -r $build/filters.ini ]] || { echo "$build/filters.ini is missing (build the filter libraries)" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is needed for the peak memory" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$here/../scripts/make-test-dvd.sh" "$work/disc" long >/dev/null
cp "$build/filters.ini" "$work/filters.ini"

# Wall seconds and peak resident KiB of a command, as "seconds kib".
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/out" 2>"$work/err" || {
    echo "failed: $*" >&2
    cat "$work/err" "$work/out" >&2
    exit 1
  }
  cat "$work/time"
}

convert() {
  TARNMEDIA_FILTERS=$work/filters.ini TARNMEDIA_INI=$work/TarnMedia.ini \
    measure "$tmvtool" encode --dvd "$work/disc" --title 1 --chapters 1-6 -o "$work/long.tmv"
}
decode() {
  measure sh -c "cat '$work'/disc/VIDEO_TS/VTS_01_*.VOB | ffmpeg -nostdin -v error -threads 1 -f mpeg -i - -f null -"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "load before:       $(cut -d' ' -f1-3 /proc/loadavg)"
: >"$work/convert"
: >"$work/decode"
for ((i = 1; i <= runs; i++)); do
  convert >>"$work/convert"
  summary=$(cat "$work/out")
  decode >>"$work/decode"
done
echo "load after:        $(cut -d' ' -f1-3 /proc/loadavg)"

convert_time=$(cut -d' ' -f1 "$work/convert" | median)
decode_time=$(cut -d' ' -f1 "$work/decode" | median)
convert_kib=$(cut -d' ' -f2 "$work/convert" | median)
decode_kib=$(cut -d' ' -f2 "$work/decode" | median)
echo "title:             60.06 s, 720x480 MPEG-2 with AC-3 (test disc 'long')"
echo "tmvtool encode:    median ${convert_time} s of $(cut -d' ' -f1 "$work/convert" | paste -sd' '), peak ${convert_kib} KiB"
echo "                   $summary"
echo "ffmpeg -threads 1: median ${decode_time} s of $(cut -d' ' -f1 "$work/decode" | paste -sd' '), peak ${decode_kib} KiB (decode to null)"
awk -v a="$convert_time" -v b="$decode_time" 'BEGIN { printf "ratio:             %.2f (target at most 1.5)\n", a / b }'
