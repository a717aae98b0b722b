#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# BUILD_DIR, seeds a corpus with movies made by the real encoder, and runs every target for a
# bounded time. Crashes are kept under BUILD_DIR/fuzz-artifacts.
#   fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
build=${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET]}
seconds=${2:-60}
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$build"
build=$(cd "$build" && pwd)

cmake -S "$top" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARN_FUZZ=ON -DTARN_SANITIZE=ON -DTARN_GUI=OFF -DTARN_BENCH=OFF -DTARN_WERROR=ON >/dev/null
cmake --build "$build" --target tarn_fuzz -j 2

corpus=$build/fuzz-corpus
artifacts=$build/fuzz-artifacts
rm -rf "$corpus"
mkdir -p "$corpus" "$artifacts"
"$build/fuzz/tarn_fuzz_seeds" "$corpus"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in fuzz_movie_reader fuzz_decode_frame; do
  echo "fuzzing $target for ${seconds} s"
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=140000 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "$corpus/$target"
done
