#!/usr/bin/env bash
# Real camera footage for the benchmarks (never for CI): Debian's opencv-doc package carries a
# street scene from a fixed camera (examples/data/vtest.avi, 768x576, 10 fps) and two hand-held
# clips (box.mp4.gz, cup.mp4.gz, 640x480 H.264). From them this script makes, in a cache folder:
#   clip.mpg     60 s, 720x480, 29.97 fps MPEG-2 at 5 Mb/s (IBBP, 15-picture GOPs, as on discs),
#                video only (box, cup, then the street)
#   disc/        a DVD-Video folder of the same picture with AC-3 sound, one title of six chapters
# The codec benchmark's "camera" case decodes the clip itself: TARN_CAMERA_CLIP=.../clip.mpg.
# Everything is made once; a second run only prints the paths.
#
# usage: bench/camera_footage.sh [CACHE_DIR]   (default: build/camera-footage)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cache=${1:-$here/../build/camera-footage}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
for tool in apt-get dpkg ffmpeg dvdauthor; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is needed" >&2; exit 2; }
done

docs=$cache/opencv-doc/usr/share/doc/opencv-doc
if [[ ! -r $docs/examples/data/vtest.avi ]]; then
  (cd "$cache" && rm -f opencv-doc_*.deb && apt-get download opencv-doc >/dev/null 2>&1) ||
    { echo "$0: apt-get download opencv-doc failed" >&2; exit 1; }
  dpkg -x "$cache"/opencv-doc_*.deb "$cache/opencv-doc"
  rm -f "$cache"/opencv-doc_*.deb
fi
for name in box cup; do
  [[ -r $cache/$name.mp4 ]] || zcat "$docs/opencv4/html/$name.mp4.gz" >"$cache/$name.mp4"
done

# One 60 s picture: each source scaled to 720x480 (display 4:3) at 29.97 fps, joined.
scale="scale=720:480,setsar=8/9,fps=30000/1001,format=yuv420p"
picture="[0:v]$scale[a];[1:v]$scale[b];[2:v]$scale[c];[a][b][c]concat=n=3:v=1:a=0,trim=duration=60.06[v]"
inputs=(-i "$cache/box.mp4" -i "$cache/cup.mp4" -i "$docs/examples/data/vtest.avi")
dvd_video=(-target ntsc-dvd -aspect 4:3 -g 15 -bf 2 -b:v 5000k -maxrate 8000k -fflags +bitexact -flags:v +bitexact)

if [[ ! -s $cache/clip.mpg ]]; then
  ffmpeg -nostdin -v error -y "${inputs[@]}" -filter_complex "$picture" -map '[v]' -frames:v 1800 \
    "${dvd_video[@]}" -an "$cache/clip.tmp.mpg"
  mv "$cache/clip.tmp.mpg" "$cache/clip.mpg"
fi

if [[ ! -r $cache/disc/VIDEO_TS/VIDEO_TS.IFO ]]; then
  ffmpeg -nostdin -v error -y "${inputs[@]}" -f lavfi -t 60.06 -i "sine=frequency=440:sample_rate=48000" \
    -filter_complex "$picture" -map '[v]' -map 3:a -frames:v 1800 "${dvd_video[@]}" \
    -c:a ac3 -b:a 192k -ac 2 -ar 48000 -flags:a +bitexact "$cache/title.mpg"
  cat >"$cache/disc.xml" <<EOF
<dvdauthor dest="$cache/disc">
  <vmgm/>
  <titleset>
    <titles>
      <video format="ntsc" aspect="4:3"/>
      <audio lang="en"/>
      <pgc>
        <vob file="$cache/title.mpg" chapters="0,10,20,30,40,50"/>
      </pgc>
    </titles>
  </titleset>
</dvdauthor>
EOF
  rm -rf "$cache/disc"
  VIDEO_FORMAT=NTSC dvdauthor -x "$cache/disc.xml" >"$cache/dvdauthor.log" 2>&1 ||
    { cat "$cache/dvdauthor.log" >&2; exit 1; }
  rm -f "$cache/title.mpg"
fi

echo "clip:   $cache/clip.mpg"
echo "disc:   $cache/disc"
