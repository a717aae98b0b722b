#!/bin/bash
# Installs the Debian package on a fresh, minimal Debian 12 and checks that the installed product
# runs there without any environment variable of ours: the programs start, and tarnconv finds its
# filters through the machine's registry and converts a small test disc.
#
#   scripts/check-fresh-install.sh [BUILD_DIR | PACKAGE.deb]     (default: build)
#
# Needs root, debootstrap, ffmpeg and dvdauthor (for the disc) and the network to reach the Debian
# mirror that apt's sources name. Slow (a few minutes): it is not part of the test suite. The
# system is made in a temporary folder that is removed at the end, with what was mounted in it.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
given=${1:-$root/build}

[ "$(id -u)" -eq 0 ] || { echo "$0: run as root (debootstrap and chroot need it)" >&2; exit 1; }
for tool in debootstrap chroot cpack; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is missing (apt-get install debootstrap)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/fresh-install.XXXXXX")
system=$work/bookworm
cleanup() {
  for mount in proc dev/pts dev; do
    if mountpoint -q "$system/$mount" 2>/dev/null; then umount "$system/$mount" || umount -l "$system/$mount"; fi
  done
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT

if [[ $given == *.deb ]]; then
  deb=$given
else
  echo "== building the package from $given"
  (cd "$given" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
  deb=$(ls "$work"/package/tarnmedia_*.deb)
fi

# The Debian mirror apt already uses (a deb822 URIs line or a one-line source).
mirror=$(grep -hsE '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources |
         grep -oE 'https?://[^ ]*/debian/?' | grep -v security | head -1 || true)
mirror=${mirror:-http://deb.debian.org/debian}

echo "== debootstrap bookworm (minbase) from $mirror"
debootstrap --variant=minbase bookworm "$system" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -20 "$work/debootstrap.log" >&2; exit 1; }
mount -t proc proc "$system/proc"
mount --bind /dev "$system/dev"
mount --bind /dev/pts "$system/dev/pts"

inside() { chroot "$system" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "== apt install ./$(basename "$deb")"
cp "$deb" "$system/root/"
inside sh -c "cd /root && DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./$(basename "$deb")" >"$work/apt.log" 2>&1 ||
  { tail -30 "$work/apt.log" >&2; exit 1; }
grep -E '^(Setting up tarnmedia|[0-9]+ upgraded)' "$work/apt.log"

fail=0
check() {
  local title=$1
  shift
  echo "== $title"
  local status=0
  inside "$@" >"$work/out" 2>&1 || status=$?
  head -5 "$work/out" | sed 's/^/   /'
  echo "   (exit status $status)"
  return $status
}
# Programs that cannot reach a display still answer --help; picfit's window is never opened.
check "tarnconv --help" tarnconv --help || fail=1
check "picfit --help" picfit --help || fail=1
# tmvtool without arguments prints its usage and ends with status 2.
check "tmvtool" tmvtool || [ $? -eq 2 ] || fail=1

echo "== tarnconv --convert of a small disc, no environment variable of ours"
"$root/scripts/make-test-dvd.sh" "$system/root/disc" pal >"$work/disc.log" 2>&1 || { cat "$work/disc.log" >&2; exit 1; }
if check "tarnconv --convert /root/disc --titles 2 -o /root/out" tarnconv --convert /root/disc --titles 2 -o /root/out; then
  movies=$(find "$system/root/out" -name '*.tmv' -size +1k | wc -l)
  sounds=$(find "$system/root/out" -name '*.tms' -size +64c | wc -l)
  echo "   movie files: $movies, sound files: $sounds"
  [ "$movies" -ge 1 ] && [ "$sounds" -ge 1 ] || fail=1
else
  fail=1
fi

[ $fail -eq 0 ] && echo "check-fresh-install: passed" || echo "check-fresh-install: FAILED" >&2
exit $fail
