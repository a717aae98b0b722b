#!/usr/bin/env bash
# The main job on a built-in sample: builds everything, authors a small DVD-Video disc from
# FFmpeg's test sources on first use (out/sample-dvd: two titles, six chapters), and converts
# every chapter of both titles with `tarnconv --convert` into movie and sound files for the
# handheld (out/movies), with a private settings file (out/TarnMedia.ini).
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

disc=$out/sample-dvd
if [ ! -f "$disc/VIDEO_TS/VIDEO_TS.IFO" ]; then
  echo "authoring the sample disc: $disc"
  "$top/scripts/make-test-dvd.sh" "$disc" ntsc >/dev/null
fi
movies=$out/movies
settings=$out/TarnMedia.ini
rm -rf "$movies" "$settings"
mkdir -p "$movies"
TARNMEDIA_FILTERS="$build/filters.ini" TARNMEDIA_INI="$settings" \
  "$build/converter/app/tarnconv" --convert "$disc" --batch --out "$movies"

first=$(ls "$movies"/*.tmv | head -n 1)
echo
echo "sample disc:     $disc"
echo "movie files:     $movies/*.tmv, sound files beside them (*.tms)"
echo "settings used:   $settings"
echo "look inside:     $build/tools/tmvtool/tmvtool info $first"
echo "                 $build/tools/tmvtool/tmvtool decode $first -o $out/frames"
