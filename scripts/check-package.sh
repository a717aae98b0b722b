#!/bin/bash
# Builds the Debian package from a built tree and checks what it holds and what it depends on:
# every program, filter library, the machine's filter registry naming the installed libraries,
# help, icons and desktop entries; the libraries and run-time parts the programs need.
#
#   scripts/check-package.sh [BUILD_DIR]      (default: build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/tarnmedia_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
depends=$(dpkg-deb -f "$deb" Depends)

fail=0
need_file() {
  grep -qx "$1" "$work/files" || { echo "check-package: $1 is missing from $(basename "$deb")" >&2; fail=1; }
}
for file in /usr/bin/tarnconv /usr/bin/picfit /usr/bin/tmvtool /usr/bin/tarnregsvr \
            /usr/share/tarnmedia/tarnconv-help.txt \
            /usr/share/applications/tarnconv.desktop /usr/share/applications/picfit.desktop \
            /usr/share/icons/hicolor/scalable/apps/tarnconv.svg /usr/share/icons/hicolor/scalable/apps/picfit.svg \
            /etc/xdg/tarnmedia/filters.ini; do
  need_file "$file"
done
libdir=$(grep -o '^/usr/lib/\([^/]*/\)\?tarnmedia/' "$work/files" | head -1 || true)
for library in libtarnvenc.so libtarnaud.so libtarnnavigator.so libtarnplatform.so; do
  need_file "${libdir:-/usr/lib/tarnmedia/}$library"
done
# Nothing of the build's tests, benchmarks or build tree.
if grep -Eq 'test|bench|/work/|_CPack|\.lock$' "$work/files"; then
  echo "check-package: the package holds files that are not the product:" >&2
  grep -E 'test|bench|/work/|_CPack|\.lock$' "$work/files" >&2
  fail=1
fi

# The registry names each library where the package puts it.
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./etc/xdg/tarnmedia/filters.ini >"$work/filters.ini"
for library in libtarnvenc.so libtarnaud.so libtarnnavigator.so libtarnplatform.so; do
  grep -qx "Library=${libdir}$library" "$work/filters.ini" ||
    { echo "check-package: the registry does not name ${libdir}$library" >&2; fail=1; }
done

for package in libavcodec libavformat libswscale libswresample libdvdread libqt6widgets6 \
               libqt6gui6 libqt6core6 libgraphicsmagick++ libpulse0 libass9 qt6-qpa-plugins qt6-translations-l10n; do
  case ", $depends" in
    *", $package"*) ;;
    *) echo "check-package: Depends lacks $package: $depends" >&2; fail=1 ;;
  esac
done

[ $fail -eq 0 ] && echo "check-package: $(basename "$deb") holds $(wc -l <"$work/files") entries; Depends: $depends"
exit $fail
