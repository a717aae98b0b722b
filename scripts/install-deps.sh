#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need.
# Runs apt-get only as root and only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libdvdnav-dev libdvdread-dev libpulse-dev libfreetype-dev libass-dev
  qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libgraphicsmagick++1-dev graphicsmagick locales
  ffmpeg dvdauthor genisoimage lsdvd xvfb fonts-wqy-zenhei time file python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The command lines speak the user's language; their tests run under these locales.
locales_missing() {
  for l in zh_CN en_US; do locale -a 2>/dev/null | grep -qix "$l.utf8" || echo "$l"; done
}
make_locales() {
  local missing_locales
  missing_locales=$(locales_missing)
  [ -z "$missing_locales" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing locales: $missing_locales (as root: localedef -i NAME -f UTF-8 NAME.UTF-8)" >&2
    return 1
  fi
  for l in $missing_locales; do localedef -i "$l" -f UTF-8 "$l.UTF-8"; done
}

if [ ${#missing[@]} -eq 0 ]; then
  make_locales
  exit
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]}" >&2
  echo "install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
make_locales
