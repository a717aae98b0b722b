#!/bin/bash
# Runs the README's examples as written, in a folder of their own that holds links to the
# build and the scripts: readme_examples.sh README.md BUILD_DIR SCRIPTS_DIR
set -euo pipefail
readme=$1
build=$2
scripts=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$build" "$work/build"
ln -s "$scripts" "$work/scripts"
sed -n '/^<!-- examples -->$/,/^<!-- end of examples -->$/p' "$readme" | sed '1,2d;$d' | sed '$d' > "$work/examples.sh"
[ -s "$work/examples.sh" ] || { echo "no examples found in $readme" >&2; exit 1; }
cd "$work"
export HOME=$work XDG_CONFIG_HOME=$work/config
QT_QPA_PLATFORM=offscreen bash -euo pipefail examples.sh > examples.out
for made in out/clip.tmv out/clip.tms out/raw.tmv out/frames/frame_00000.png out/movies/001002.tmv out/t2.tmv out/t2.wav \
            out/pictures/a.BMP; do
  [ -s "$made" ] || { echo "the examples did not make $made" >&2; exit 1; }
done
