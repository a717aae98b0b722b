#!/usr/bin/env bash
# The main job on a built-in sample: builds everything, makes a 20 s MPEG-2 clip with FFmpeg's
# test sources, converts it into a movie file for the handheld with tmvtool encode (through the
# real filter graph: file source, encoder filter, null renderer) and decodes a few of the
# handheld's pictures back to PNG.
#   scripts/demo.sh
# Environment: JOBS (parallel build jobs, default: all processors), TARN_BUILD_DIR (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
build=${TARN_BUILD_DIR:-$top/build}
jobs=${JOBS:-$(nproc)}
out=$top/out

"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$build" -G Ninja -DTARN_WERROR=ON >/dev/null
cmake --build "$build" -j "$jobs"

mkdir -p "$out"
sample=$out/sample.mpg
if [ ! -s "$sample" ]; then
  echo "making the sample: $sample"
  # The test pattern with a black square that sweeps across and bobs up and down.
  ffmpeg -nostdin -v error -y \
    -f lavfi -i "testsrc2=size=720x480:rate=30000/1001:duration=20" \
    -f lavfi -i "color=c=black:size=96x96:rate=30000/1001" \
    -filter_complex "[0][1]overlay=x='mod(t*150,624)':y='190+150*sin(t*1.5)':shortest=1" \
    -c:v mpeg2video -q:v 3 "$sample"
fi

# A private settings file: the defaults of the encoder, the movie's name written by tmvtool.
settings=$out/TarnMedia.ini
printf '[SaveMovie]\n' > "$settings"
movie=$out/sample.tmv
TARNMEDIA_FILTERS="$build/filters.ini" "$build/tools/tmvtool/tmvtool" encode "$sample" -o "$movie" --ini "$settings"

frames=$out/frames
rm -rf "$frames" "$out/.all-frames"
"$build/tools/tmvtool/tmvtool" decode "$movie" -o "$out/.all-frames" >/dev/null
mkdir -p "$frames"
for n in 00000 00050 00100 00150; do
  [ -f "$out/.all-frames/frame_$n.png" ] && mv "$out/.all-frames/frame_$n.png" "$frames/"
done
rm -rf "$out/.all-frames"

echo
echo "sample video:    $sample"
echo "movie file:      $movie ($(stat -c %s "$movie") bytes; tmvtool info $movie lists its records)"
echo "settings used:   $settings"
echo "decoded frames:  $frames/ ($(ls "$frames" | tr '\n' ' '))"
