#!/usr/bin/env bash
# Builds everything with warnings as errors and runs the whole test suite, then builds again
# under AddressSanitizer and UndefinedBehaviorSanitizer and runs the suite once more, then
# runs the fuzz targets for a bounded time.
#   scripts/test.sh           everything
#   scripts/test.sh --quick   the plain build and suite only
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
"$top/scripts/install-deps.sh"

quick=0
[ "${1:-}" = "--quick" ] && quick=1
# One style for the tree: a change that leaves a file unformatted fails here, in seconds.
"$top/scripts/check-format.sh"
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

run_suite() {  # build-dir, extra cmake args...
  local dir=$1; shift
  cmake -S "$top" -B "$dir" -G Ninja -DTARN_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 600
}

run_suite "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The Debian package: its file list and its dependencies.
"$top/scripts/check-package.sh" "$top/build"
[ $quick -eq 1 ] && exit 0

ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "$top/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DTARN_SANITIZE=ON -DTARN_BENCH=OFF

if [ -f "$top/fuzz/run.sh" ]; then
  "$top/fuzz/run.sh" "$top/build-fuzz"
fi
