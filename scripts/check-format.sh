#!/usr/bin/env bash
# Checks the C and C++ files against .clang-format.
#   scripts/check-format.sh          every tracked file
#   scripts/check-format.sh REV      only the files changed since REV (what a change touches)
#   scripts/check-format.sh --fix    reformats instead of checking
set -euo pipefail
cd "$(dirname "$0")/.."
fix=0
[ "${1:-}" = "--fix" ] && { fix=1; shift; }
if [ -n "${1:-}" ]; then
  mapfile -t files < <(git diff --name-only --diff-filter=d "$1" -- '*.c' '*.cpp' '*.h')
else
  mapfile -t files < <(git ls-files -- '*.c' '*.cpp' '*.h')
fi
[ ${#files[@]} -eq 0 ] && exit 0
if [ $fix -eq 1 ]; then
  clang-format -i "${files[@]}"
elif ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/check-format.$$; then
  grep -E '^[^ ].*: (error|warning):' /tmp/check-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /' >&2
  rm -f /tmp/check-format.$$
  echo "run scripts/check-format.sh --fix" >&2
  exit 1
fi
rm -f /tmp/check-format.$$
