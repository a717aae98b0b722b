#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need.
# Runs apt-get only as root and only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libdvdnav-dev libdvdread-dev
  qt6-base-dev qt6-translations-l10n libgraphicsmagick++1-dev graphicsmagick
  ffmpeg dvdauthor genisoimage lsdvd xvfb fonts-wqy-zenhei time file
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]}" >&2
  echo "install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
