#!/bin/bash
# Pictures of tarnconv's windows for docs/screenshots: the main window empty, with a disc, during
# a conversion and after it, the about box, a help popup, a balloon tip, the video window,
# every page of the settings dialog and its handheld preview on a frame of the title.
# Runs the window under Xvfb with the CJK font (fonts-wqy-zenhei) on a test disc authored here,
# with private settings and a private copy of the build's filter registry.
#
#   scripts/screenshots.sh [BUILD_DIR]      (default: build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out=$root/docs/screenshots

for tool in Xvfb ffmpeg dvdauthor; do
  command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is missing (apt-get install xvfb ffmpeg dvdauthor)" >&2; exit 1; }
done
fc-list | grep -qi "WenQuanYi Zen Hei" || { echo "screenshots.sh: fonts-wqy-zenhei is missing" >&2; exit 1; }

cmake --build "$build" --target tarnconv_screenshots tarnnavigator tarnplatform tarnvenc tarnaud >/dev/null

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

"$root/scripts/make-test-dvd.sh" "$work/disc" long >/dev/null

# A display number nobody uses.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

mkdir -p "$out" "$work/out" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
cp "$build/filters.ini" "$work/filters.ini"
printf '[AudioOut]\nSaveDir=%s/\n' "$work/out" >"$work/TarnMedia.ini"

DISPLAY=":$display" QT_QPA_PLATFORM=xcb LANG=zh_CN.UTF-8 \
  TARNMEDIA_INI="$work/TarnMedia.ini" TARNMEDIA_FILTERS="$work/filters.ini" \
  XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" PULSE_SERVER="unix:$work/no-sound-server" \
  "$build/tests/converter/ui/tarnconv_screenshots" "$work/disc" "$root/converter/ui/tarnconv-help.txt" "$out"

ls -1 "$out"
