#!/usr/bin/env bash
# Times picfit --convert against a plain gm convert loop doing the same work:
# 50 photograph-sized (1920x1080) JPEGs resized to 240x135; picfit writes the
# handheld's 16-bit format (through its 24-bit intermediate), gm writes a
# 24-bit BMP. Prints both wall times and their ratio.
#
# usage: bench/picfit_bench.sh [path/to/picfit]   (default: build/picfit/picfit)
set -euo pipefail

picfit=${1:-$(dirname "$0")/../build/picfit/picfit}
[[ -x $picfit ]] || { echo "picfit not found at $picfit (build it, or pass its path)" >&2; exit 2; }
command -v gm >/dev/null || { echo "gm (GraphicsMagick) is needed" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed to make the pictures" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in" "$work/picfit" "$work/gm"

# Grainy moving test pictures: they compress like photographs, not like flat colour.
ffmpeg -loglevel error -f lavfi -i testsrc2=size=1920x1080:rate=25 -vf noise=alls=12:allf=t \
  -frames:v 50 -q:v 3 "$work/in/photo%02d.jpg"
count=$(ls "$work/in" | wc -l)

now() { date +%s.%N; }

start=$(now)
PICFIT_INI="$work/picfit.ini" "$picfit" --convert "$work"/in/*.jpg --mode 0 --width 240 --height 135 \
  --format 1 -o "$work/picfit" >/dev/null
picfit_time=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')

start=$(now)
for f in "$work"/in/*.jpg; do
  gm convert "$f" -resize '240x135!' "BMP3:$work/gm/$(basename "${f%.jpg}").bmp"
done
gm_time=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')

written=$(ls "$work/picfit" | wc -l)
[[ $written -eq $count ]] || { echo "picfit wrote $written of $count files" >&2; exit 1; }

echo "pictures:        $count x 1920x1080 JPEG -> 240x135"
echo "picfit --convert: ${picfit_time} s (format 1, 16-bit)"
echo "gm convert loop:  ${gm_time} s (24-bit BMP)"
awk -v p="$picfit_time" -v g="$gm_time" 'BEGIN { printf "ratio picfit/gm:  %.2f (target at most 1.50)\n", p / g }'
