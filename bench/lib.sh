# Shared by the whole-run benchmarks: the build's programs, a private work folder and filter
# registry, timing with peak memory, medians and ratios. Source it, then call bench_setup.
#   . "$(dirname "$0")/lib.sh"; bench_setup "${1:-}"

# Sets here, build, runs (RUNS, default 3) and work (removed at exit), copies the build's filter
# registry into work and exports TARNMEDIA_FILTERS; refuses to go on without the programs named
# (paths inside the build folder).
bench_setup() {  # BUILD_DIR-or-empty PROGRAM...
  here=$(cd "$(dirname "${BASH_SOURCE[1]}")" && pwd)
  build=$(cd "${1:-$here/../build}" && pwd)
  shift
  runs=${RUNS:-3}
  tarnconv=$build/converter/app/tarnconv
  tmvtool=$build/tools/tmvtool/tmvtool
  local program
  for program in "$@"; do
    [[ -x $build/$program ]] || { echo "$build/$program is missing (build first, or pass the build folder)" >&2; exit 2; }
  done
  [[ -r $build/filters.ini ]] || { echo "$build/filters.ini is missing (build the filter libraries)" >&2; exit 2; }
  command -v ffmpeg >/dev/null || { echo "ffmpeg is needed" >&2; exit 2; }
  [[ -x /usr/bin/time ]] || { echo "/usr/bin/time is needed for the peak memory (Debian package 'time')" >&2; exit 2; }
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cp "$build/filters.ini" "$work/filters.ini"
  export TARNMEDIA_FILTERS=$work/filters.ini
}

# Authors a test disc of scripts/make-test-dvd.sh into $work/disc.
bench_test_disc() {  # KIND
  "$here/../scripts/make-test-dvd.sh" "$work/disc" "$1" >/dev/null
}

# Wall seconds, peak resident KiB and processor seconds (user + system) of a command, as one
# line; its output is kept in $work/stdout and $work/stderr.
measure() {
  /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$@" >"$work/stdout" 2>"$work/stderr" || {
    echo "failed: $*" >&2
    cat "$work/stderr" "$work/stdout" >&2
    exit 1
  }
  awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time"
}

# FFmpeg on one thread decoding a title's VOB files to nothing: the yardstick of the DVD path.
decode_vobs() {  # DISC
  measure sh -c "cat '$1'/VIDEO_TS/VTS_01_*.VOB | ffmpeg -nostdin -v error -threads 1 -f mpeg -i - -f null -"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

load_line() {  # LABEL
  printf '%-22s %s\n' "$1:" "$(cut -d' ' -f1-3 /proc/loadavg)"
}

report() {  # NAME FILE
  printf '%-22s median %s s of %s, peak %s KiB, processor median %s s\n' "$1:" "$(cut -d' ' -f1 "$2" | median)" \
    "$(cut -d' ' -f1 "$2" | paste -sd' ')" "$(cut -d' ' -f2 "$2" | median)" "$(cut -d' ' -f3 "$2" | median)"
}

ratio() {  # NAME FILE FILE TARGET
  awk -v n="$1" -v a="$(cut -d' ' -f1 "$2" | median)" -v b="$(cut -d' ' -f1 "$3" | median)" -v t="$4" \
    'BEGIN { printf "%-22s %.2f (target at most %s)\n", n ":", a / b, t }'
  awk -v n="$1" -v a="$(cut -d' ' -f3 "$2" | median)" -v b="$(cut -d' ' -f3 "$3" | median)" \
    'BEGIN { printf "%-22s %.2f (processor seconds; a loaded machine stretches the wall times)\n", n ":", a / b }'
  # The host's speed drifts within minutes; the two runs of one round met the same host, so the
  # median of the rounds' ratios drifts less than the ratio of the medians.
  awk -v n="$1" -v r="$(paste -d' ' "$2" "$3" | awk '{ print $1 / $4 }' | median)" \
    'BEGIN { printf "%-22s %.2f (median of the rounds'"'"' wall ratios)\n", n ":", r }'
}

# Runs each named function RUNS times, alternating, each run's line appended to $work/NAME.
alternate() {  # NAME...
  local name i
  for name in "$@"; do : >"$work/$name"; done
  load_line "load before"
  for ((i = 1; i <= runs; i++)); do
    for name in "$@"; do "$name" >>"$work/$name"; done
  done
  load_line "load after"
}
