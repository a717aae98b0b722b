#!/usr/bin/env bash
# Conversion speed: tmvtool encode of a 60 s 720x480 29.97 fps MPEG-2 clip against FFmpeg
# decoding the same clip on one thread to nothing, in one run. Prints both wall times, their
# ratio (the target is at most 1.5) and the conversion's peak memory.
#   bench/convert_bench.sh            (after a build into build/)
# Environment: TARN_BUILD_DIR (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
build=${TARN_BUILD_DIR:-$top/build}
tmvtool=$build/tools/tmvtool/tmvtool
[ -x "$tmvtool" ] || { echo "build first: $tmvtool is missing" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package 'time')" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip=$work/clip.mpg
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=720x480:rate=30000/1001:duration=60" \
  -c:v mpeg2video -q:v 3 "$clip"
printf '[SaveMovie]\n' > "$work/TarnMedia.ini"

now() { date +%s.%N; }

start=$(now)
ffmpeg -nostdin -v error -threads 1 -i "$clip" -f null -
decode=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')

start=$(now)
TARNMEDIA_FILTERS="$build/filters.ini" /usr/bin/time -v -o "$work/time.txt" \
  "$tmvtool" encode "$clip" -o "$work/clip.tmv" --ini "$work/TarnMedia.ini" 2>/dev/null
convert=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')
peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")

echo "clip:                 60 s, 720x480, 29.97 fps MPEG-2 ($(stat -c %s "$clip") bytes)"
echo "ffmpeg -threads 1 decode to null: ${decode} s"
echo "tmvtool encode:                   ${convert} s ($(stat -c %s "$work/clip.tmv") bytes written)"
awk -v c="$convert" -v d="$decode" 'BEGIN { printf "ratio convert/decode:             %.2f (target <= 1.5)\n", c / d }'
echo "tmvtool peak memory:              ${peak} KiB"
