#!/usr/bin/env bash
# Conversion speed: tmvtool encode of a 60 s 720x480 29.97 fps MPEG-2 clip against FFmpeg
# decoding the same clip on one thread to nothing. Each side runs RUNS times (default 3),
# alternating; prints every run, the median wall times, their ratio (the target is at most 1.5)
# and the conversion's peak memory, with the load average before and after.
#   bench/convert_bench.sh            (after a build into build/)
# Environment: TARN_BUILD_DIR (default build/), RUNS (default 3), SOUND=1 (the clip carries
# 48 kHz stereo MP2 sound: tmvtool writes the sound file too, FFmpeg decodes both streams),
# CONVERTER=tarnconv (the clip converted by tarnconv --convert, a video file as its one title).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
build=${TARN_BUILD_DIR:-$top/build}
runs=${RUNS:-3}
tmvtool=$build/tools/tmvtool/tmvtool
[ -x "$tmvtool" ] || { echo "build first: $tmvtool is missing" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package 'time')" >&2; exit 1; }
converter=${CONVERTER:-tmvtool}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip=$work/clip.mpg
sound=()
[ "${SOUND:-0}" = 1 ] && sound=(-f lavfi -i "sine=frequency=440:sample_rate=48000:duration=60" -ac 2 -c:a mp2 -b:a 192k)
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=720x480:rate=30000/1001:duration=60" "${sound[@]}" \
  -c:v mpeg2video -q:v 3 "$clip"
printf '[SaveMovie]\n' > "$work/TarnMedia.ini"

# Wall seconds and peak resident KiB of a command, as "seconds kib".
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/err" || {
    echo "failed: $*" >&2
    cat "$work/err" >&2
    exit 1
  }
  cat "$work/time"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "load before:                      $(cut -d' ' -f1-3 /proc/loadavg)"
: >"$work/decode"
: >"$work/convert"
for ((i = 1; i <= runs; i++)); do
  measure ffmpeg -nostdin -v error -threads 1 -i "$clip" -f null - >>"$work/decode"
  if [ "$converter" = tarnconv ]; then
    rm -rf "$work/movies"
    TARNMEDIA_FILTERS="$build/filters.ini" TARNMEDIA_INI="$work/TarnMedia.ini" \
      measure "$build/converter/app/tarnconv" --convert "$clip" -o "$work/movies" --quiet >>"$work/convert"
    cp "$work"/movies/*.tmv "$work/clip.tmv"
  else
    TARNMEDIA_FILTERS="$build/filters.ini" \
      measure "$tmvtool" encode "$clip" -o "$work/clip.tmv" --ini "$work/TarnMedia.ini" >>"$work/convert"
  fi
done
echo "load after:                       $(cut -d' ' -f1-3 /proc/loadavg)"

decode=$(cut -d' ' -f1 "$work/decode" | median)
convert=$(cut -d' ' -f1 "$work/convert" | median)
peak=$(cut -d' ' -f2 "$work/convert" | median)
echo "clip:                             60 s, 720x480, 29.97 fps MPEG-2$([ ${#sound[@]} -gt 0 ] && echo ' + MP2 sound') ($(stat -c %s "$clip") bytes)"
echo "ffmpeg -threads 1 decode to null: median ${decode} s of $(cut -d' ' -f1 "$work/decode" | paste -sd' ')"
echo "$converter convert:$([ "$converter" = tmvtool ] && echo ' ')                 median ${convert} s of $(cut -d' ' -f1 "$work/convert" | paste -sd' ') ($(stat -c %s "$work/clip.tmv") bytes written)"
awk -v c="$convert" -v d="$decode" 'BEGIN { printf "ratio convert/decode:             %.2f (target <= 1.5)\n", c / d }'
echo "$converter peak memory:$([ "$converter" = tmvtool ] && echo ' ')             ${peak} KiB"
