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

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${RUNS:-3}
tarnconv=$build/converter/app/tarnconv
tmvtool=$build/tools/tmvtool/tmvtool
[[ -x $tarnconv ]] || { echo "tarnconv not found in $build (build it, or pass the build folder)" >&2; exit 2; }
[[ -x $tmvtool ]] || { echo "tmvtool not found in $build" >&2; exit 2; }
[[ -r $build/filters.ini ]] || { echo "$build/filters.ini is missing (build the filter libraries)" >&2; exit 2; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is needed for the peak memory" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$here/../scripts/make-test-dvd.sh" "$work/disc" long >/dev/null
cp "$build/filters.ini" "$work/filters.ini"
export TARNMEDIA_FILTERS=$work/filters.ini TARNMEDIA_INI=$work/TarnMedia.ini

# Wall seconds and peak resident KiB of a command, as "seconds kib".
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/stdout" 2>"$work/stderr" || {
    echo "failed: $*" >&2
    cat "$work/stderr" "$work/stdout" >&2
    exit 1
  }
  cat "$work/time"
}
convert() {
  rm -rf "$work/out" && mkdir "$work/out"
  measure "$tarnconv" --convert "$work/disc" --join --out "$work/out"
}
graph_only() { measure "$tmvtool" encode --dvd "$work/disc" --title 1 --chapters 1-6 -o "$work/long.tmv"; }
decode() {
  measure sh -c "cat '$work'/disc/VIDEO_TS/VTS_01_*.VOB | ffmpeg -nostdin -v error -threads 1 -f mpeg -i - -f null -"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
report() {  # NAME FILE
  printf '%-19s median %s s of %s, peak %s KiB\n' "$1:" "$(cut -d' ' -f1 "$2" | median)" \
    "$(cut -d' ' -f1 "$2" | paste -sd' ')" "$(cut -d' ' -f2 "$2" | median)"
}

echo "load before:       $(cut -d' ' -f1-3 /proc/loadavg)"
: >"$work/convert"
: >"$work/graph"
: >"$work/decode"
for ((i = 1; i <= runs; i++)); do
  convert >>"$work/convert"
  segment=$(cat "$work/stdout")
  graph_only >>"$work/graph"
  decode >>"$work/decode"
done
echo "load after:        $(cut -d' ' -f1-3 /proc/loadavg)"

echo "title:             60.06 s, 720x480 MPEG-2 with AC-3 (test disc 'long'), one joined segment"
report "tarnconv --convert" "$work/convert"
echo "                   $segment"
report "tmvtool encode" "$work/graph"
report "ffmpeg -threads 1" "$work/decode"
awk -v a="$(cut -d' ' -f1 "$work/convert" | median)" -v b="$(cut -d' ' -f1 "$work/decode" | median)" \
  'BEGIN { printf "ratio:             %.2f (target at most 1.5)\n", a / b }'
