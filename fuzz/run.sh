#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# BUILD_DIR, seeds a corpus made at run time (movies by the real encoder, settings and sound
# files by our writers, three discs authored with dvdauthor), and runs every target for a bounded
# time or number of runs. Crashes are kept under BUILD_DIR/fuzz-artifacts.
#   fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET] [RUNS_PER_TARGET] [TARGET...]
# Defaults: 20 s per target (under three minutes in all), no run limit, every target. A long campaign outside CI: fuzz/run.sh DIR 0 1000000 (each target
# until a million runs).
set -euo pipefail
build=${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET] [RUNS_PER_TARGET] [TARGET...]}
seconds=${2:-20}
runs=${3:--1}
shift $(( $# < 3 ? $# : 3 ))
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$build"
build=$(cd "$build" && pwd)

cmake -S "$top" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARN_FUZZ=ON -DTARN_SANITIZE=ON -DTARN_GUI=OFF -DTARN_BENCH=OFF -DTARN_WERROR=ON >/dev/null
cmake --build "$build" --target tarn_fuzz -j 2

corpus=$build/fuzz-corpus
artifacts=$build/fuzz-artifacts
discs=$build/fuzz-discs
mkdir -p "$artifacts" "$discs"
# The loop disc brings menus (the manager's menu chains) into the information-file seeds.
for kind in ntsc pal loop; do
  [ -f "$discs/$kind/VIDEO_TS/VIDEO_TS.IFO" ] || "$top/scripts/make-test-dvd.sh" "$discs/$kind" "$kind" >/dev/null
done
# The seeds are written into the corpus each time; what earlier runs found stays beside them.
mkdir -p "$corpus"
"$build/fuzz/tarn_fuzz_seeds" "$corpus" "$discs/ntsc" "$discs/pal" "$discs/loop"
# The H.264 picture reader's seed: a short stream with B pyramids from x264, an access unit
# delimiter before each picture, split at them into the target's packets (no extradata).
h264_seeds=$corpus/fuzz_h264_pictures
if [ ! -f "$h264_seeds/x264-pyramid" ]; then
  mkdir -p "$h264_seeds"
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=64x48:rate=25:duration=1 -c:v libx264 -bf 3 \
    -x264-params aud=1:b-pyramid=normal -f h264 "$h264_seeds/stream.h264"
  python3 - "$h264_seeds/stream.h264" "$h264_seeds/x264-pyramid" <<'PY'
import sys
stream = open(sys.argv[1], 'rb').read()
units = [u for u in stream.split(b'\x00\x00\x00\x01\x09') if u]
with open(sys.argv[2], 'wb') as seed:
    seed.write(b'\x00')
    for unit in units:
        packet = b'\x00\x00\x00\x01\x09' + unit
        seed.write(len(packet).to_bytes(2, 'big') + packet)
PY
  rm "$h264_seeds/stream.h264"
fi

# fuzz_title_cells reads its information files through libdvdread, which crashes on some
# damaged tables; those it was found to crash on are refused first (platform/dvd/ifo_guard.cpp),
# and a million runs after the last of them met no other.
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_movie_reader fuzz_decode_frame fuzz_settings fuzz_ps_demuxer
                                     fuzz_title_cells fuzz_subpicture fuzz_h264_pictures fuzz_sound_file)
# libdvdread asks calloc for absurd sizes from damaged tables and handles the null it gets. No
# parser here needs 64 MiB for inputs of a few kilobytes; above that a request gets a null at
# once (from our own code's new: a reported failure) instead of mapping and clearing the
# sanitizer's shadow of it, which made most of the information-file runs' time. The one kind of
# huge request libdvdread would be granted and then overrun (a table length near 4 GiB) is
# refused before it reads the table (platform/dvd/ifo_guard.cpp); with the others it fails safely.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1:max_allocation_size_mb=64
export LSAN_OPTIONS=suppressions=$top/fuzz/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${targets[@]}"; do
  echo "fuzzing $target (${seconds} s, ${runs} runs)"
  mkdir -p "$corpus/$target"
  # Whole movies and records need long inputs; the other parsers do best on short ones
  # (libFuzzer's default, at least the longest seed).
  extra=()
  case $target in
    fuzz_movie_reader|fuzz_decode_frame) extra=(-max_len=140000) ;;
    # libdvdread keeps memory of most damaged tables it gives up on, so a leak check after each
    # such run (a whole heap scan) would take most of the time and find only those (lsan.supp).
    fuzz_title_cells) extra=(-detect_leaks=0) ;;
  esac
  # A crash ends this target only; the others still run, and the script fails at the end.
  "$build/fuzz/$target" -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=2048 "${extra[@]}" \
    -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "$corpus/$target" || status=1
done
exit $status
