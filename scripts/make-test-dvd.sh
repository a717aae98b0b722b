#!/bin/bash
# Authors a small DVD-Video disc for tests and benchmarks with ffmpeg and dvdauthor.
#
#   make-test-dvd.sh [--iso] OUTDIR KIND
#
# Writes the disc folder OUTDIR (OUTDIR/VIDEO_TS/...) and with --iso also the image OUTDIR.iso
# (genisoimage -dvd-video, UDF). Most chapters are their own source VOB, so time stamps restart at
# those chapters as on discs authored from several files. Each chapter's picture is one solid colour with the mark
# "T<title>C<chapter>" in its middle; every audio stream is a sine tone of its own frequency.
#
# KIND:
#   ntsc  720x480, 29.97 fps, one title set (AC-3, 2 ch):
#           title 1: 4:3, chapters of 60, 90, 60, 45 frames, colours red, green, blue, yellow;
#                    its post command jumps to title 2
#           title 2: 4:3, chapters of 60, 60 frames, colours magenta, cyan, both in one source
#                    VOB (one multiplex cut into cells, as on most discs: the audio of a chapter's
#                    end lies in the next cell), subpicture only in chapter 1
#           audio 1 "en" 440 Hz, audio 2 "fr" 880 Hz; subpicture 1 "en" ("SUB <chapter>")
#   pal   720x576, 25 fps:
#           title 1 (title set 1, MPEG audio, 16:9): chapters of 50, 50, 50 frames, colours red,
#                    green, blue; audio 1 "de" 440 Hz, audio 2 without language 660 Hz; no subpictures
#           title 2 (title set 2, LPCM, 4:3): one chapter of 50 frames, white; audio 1 "it" 330 Hz
#   long  720x480, 29.97 fps: one title of 1800 frames (60.06 s) in six chapters of 300 frames,
#           AC-3 "en" 440 Hz and "fr" 880 Hz
#   loop  720x480, 29.97 fps: navigation that never reaches any video: the title's pre command
#           calls the menu, whose pre command jumps back to the title; one chapter of 30 frames, red,
#           AC-3 "en" 440 Hz
#   edge  720x480, 29.97 fps, AC-3 at 192 kb/s, structures commercial discs have:
#         title set 1 (audio "en" 440 Hz, "fr" 880 Hz; subpicture "en"):
#           title 1: eight colours of 30 frames (red, green, blue, yellow, magenta, cyan, white,
#                    gray), one cell each, in one multiplex; programs begin at cells 1, 3, 5 and 7,
#                    chapters only at the programs of cells 1, 3 and 7 (the program of cells 5-6
#                    is no chapter), so the chapters last 2, 4 and 2 colours
#           title 2: forty chapters of 15 frames (0.5 s) in one multiplex, red and blue by turns
#           title 3: 1800 frames (60.06 s) of green in one chapter
#         title set 2 (audio "en" 440 Hz, "fr" 880 Hz; subpicture "en"):
#           title 1: 60 frames of red with both audio streams and the subpicture ("SUB 1")
#           title 2: 60 frames of blue with the first audio stream only (its program chain marks
#                    the second absent) and no subpicture
#           title 3: a cell of 15 frames of yellow held still for 2 s, then 30 frames of cyan
#
# The colours, lengths and languages above are what the tests expect; change both together.
set -euo pipefail

usage() { echo "usage: $0 [--iso] OUTDIR ntsc|pal|long|loop|edge" >&2; exit 2; }

make_iso=0
if [[ ${1:-} == --iso ]]; then make_iso=1; shift; fi
[[ $# -eq 2 ]] || usage
out=$1
kind=$2

for tool in ffmpeg dvdauthor spumux; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is not installed (apt-get install ffmpeg dvdauthor)" >&2; exit 1; }
done
if ((make_iso)); then
  command -v genisoimage >/dev/null || { echo "$0: genisoimage is not installed" >&2; exit 1; }
fi

font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
[[ -r $font ]] || font=$(fc-match -f '%{file}' 'sans:bold')

work=$(mktemp -d "${TMPDIR:-/tmp}/make-test-dvd.XXXXXX")
trap 'rm -rf "$work"' EXIT

# chapter NAME FORMAT(ntsc|pal) ASPECT FRAMES COLOUR CODEC TONE...
# One chapter as an MPEG-PS file with one audio stream per tone.
chapter() {
  local name=$1 format=$2 aspect=$3 frames=$4 colour=$5 codec=$6
  shift 6
  local size rate
  if [[ $format == ntsc ]]; then size=720x480; rate=30000/1001; else size=720x576; rate=25; fi
  local seconds
  seconds=$(awk -v f="$frames" -v r="$rate" 'BEGIN { split(r, p, "/"); d = (p[2] ? p[2] : 1); printf "%.4f", f * d / p[1] }')
  local inputs=(-f lavfi -i "color=c=$colour:s=$size:r=$rate,drawtext=fontfile=$font:text='$name':fontsize=120:fontcolor=white:x=(w-tw)/2:y=(h-th)/2")
  local maps=(-map 0:v)
  local n=1
  for tone in "$@"; do
    inputs+=(-f lavfi -t "$seconds" -i "sine=frequency=$tone:sample_rate=48000")
    maps+=(-map "$n:a")
    n=$((n + 1))
  done
  local audio=(-c:a ac3 -b:a "${AC3_RATE:-128k}")
  [[ $codec == mp2 ]] && audio=(-c:a mp2 -b:a 192k)
  [[ $codec == lpcm ]] && audio=(-c:a pcm_s16be)
  ffmpeg -nostdin -v error -y "${inputs[@]}" "${maps[@]}" -frames:v "$frames" \
    -target "$format-dvd" -aspect "$aspect" -b:v 2000k -maxrate 4000k "${audio[@]}" -ac 2 -ar 48000 \
    -fflags +bitexact -flags:v +bitexact -flags:a +bitexact "$work/$name.mpg" 2>"$work/$name.ffmpeg.log" ||
    { cat "$work/$name.ffmpeg.log" >&2; exit 1; }
}

# one_multiplex NAME ntsc FRAMES COLOUR...: chapters of FRAMES frames each, one colour each, in
# one multiplex with AC-3 440 Hz and 880 Hz. Closed GOPs of 15 frames, so that every chapter
# starts a GOP (and a VOBU) and decodes without the chapter before it.
one_multiplex() {
  local name=$1 frames=$3 bitrate=${AC3_RATE:-128k}
  shift 3
  local graph="" labels="" n=0 seconds
  seconds=$(awk -v f="$frames" 'BEGIN { printf "%.4f", f * 1001 / 30000 }')
  for colour in "$@"; do
    graph+="color=c=$colour:s=720x480:r=30000/1001:d=$seconds[c$n];"
    labels+="[c$n]"
    n=$((n + 1))
  done
  graph+="${labels}concat=n=$n:v=1:a=0,drawtext=fontfile=$font:text='$name':fontsize=120:fontcolor=white:x=(w-tw)/2:y=(h-th)/2"
  local total
  total=$(awk -v f="$frames" -v n="$n" 'BEGIN { printf "%.4f", n * f * 1001 / 30000 }')
  ffmpeg -nostdin -v error -y -f lavfi -i "$graph" \
    -f lavfi -t "$total" -i "sine=frequency=440:sample_rate=48000" -f lavfi -t "$total" -i "sine=frequency=880:sample_rate=48000" \
    -map 0:v -map 1:a -map 2:a -frames:v $((n * frames)) -target ntsc-dvd -aspect 4:3 -g 15 -flags:v +cgop+bitexact \
    -sc_threshold 1000000000 -b:v 2000k -maxrate 4000k -c:a ac3 -b:a "$bitrate" -ac 2 -ar 48000 \
    -fflags +bitexact -flags:a +bitexact "$work/$name.mpg" 2>"$work/$name.ffmpeg.log" ||
    { cat "$work/$name.ffmpeg.log" >&2; exit 1; }
}

# subtitle NAME FORMAT FPS TEXT: adds one text subpicture stream to chapter NAME.
subtitle() {
  local name=$1 format=$2 fps=$3 text=$4 height=480
  [[ $format == PAL ]] && height=576
  printf '1\n00:00:00,200 --> 00:00:01,600\n%s\n' "$text" >"$work/$name.srt"
  cat >"$work/$name.sub.xml" <<EOF
<subpictures format="$format"><stream><textsub filename="$work/$name.srt" font="$(basename "$font")" fontsize="40"
 horizontal-alignment="center" vertical-alignment="bottom" bottom-margin="40"
 movie-fps="$fps" movie-width="720" movie-height="$height"/></stream></subpictures>
EOF
  VIDEO_FORMAT=$format spumux -m dvd "$work/$name.sub.xml" <"$work/$name.mpg" >"$work/$name.sp.mpg" 2>"$work/$name.spumux.log" ||
    { cat "$work/$name.spumux.log" >&2; exit 1; }
  mv "$work/$name.sp.mpg" "$work/$name.mpg"
}

vobs() { for name in "$@"; do printf '        <vob file="%s/%s.mpg"/>\n' "$work" "$name"; done; }

# titleset VIDEO STREAM...: the head of a title set with its titles' video attributes and one
# element per stream ('audio lang="en"', 'subpicture lang="en"'); end_titleset closes it.
titleset() {
  printf '  <titleset>\n    <titles>\n      <video %s/>\n' "$1"
  shift
  for stream in "$@"; do printf '      <%s/>\n' "$stream"; done
}
end_titleset() { printf '    </titles>\n  </titleset>\n'; }

author_ntsc() {
  local colours=(red green blue yellow) frames=(60 90 60 45)
  local t1=()
  for i in 0 1 2 3; do
    chapter "T1C$((i + 1))" ntsc 4:3 "${frames[$i]}" "${colours[$i]}" ac3 440 880
    subtitle "T1C$((i + 1))" NTSC 29.97 "SUB $((i + 1))"
    t1+=("T1C$((i + 1))")
  done
  one_multiplex T2 ntsc 60 magenta cyan
  subtitle T2 NTSC 29.97 "SUB 1"
  cat >"$work/disc.xml" <<EOF
<dvdauthor dest="$out">
  <vmgm/>
$(titleset 'format="ntsc" aspect="4:3"' 'audio lang="en"' 'audio lang="fr"' 'subpicture lang="en"')
      <pgc>
$(vobs "${t1[@]}")
        <post>jump title 2;</post>
      </pgc>
      <pgc>
        <vob file="$work/T2.mpg" chapters="0,2.002"/>
      </pgc>
$(end_titleset)
</dvdauthor>
EOF
}

author_pal() {
  local colours=(red green blue) t1=()
  for i in 0 1 2; do
    chapter "T1C$((i + 1))" pal 16:9 50 "${colours[$i]}" mp2 440 660
    t1+=("T1C$((i + 1))")
  done
  chapter T2C1 pal 4:3 50 white lpcm 330
  cat >"$work/disc.xml" <<EOF
<dvdauthor dest="$out">
  <vmgm/>
$(titleset 'format="pal" aspect="16:9" widescreen="nopanscan"' 'audio format="mp2" lang="de"' 'audio format="mp2"')
      <pgc>
$(vobs "${t1[@]}")
      </pgc>
$(end_titleset)
$(titleset 'format="pal" aspect="4:3"' 'audio format="pcm" lang="it"')
      <pgc>
$(vobs T2C1)
      </pgc>
$(end_titleset)
</dvdauthor>
EOF
}

author_long() {
  local colours=(red green blue yellow magenta cyan) t1=()
  for i in 0 1 2 3 4 5; do
    chapter "T1C$((i + 1))" ntsc 4:3 300 "${colours[$i]}" ac3 440 880
    t1+=("T1C$((i + 1))")
  done
  cat >"$work/disc.xml" <<EOF
<dvdauthor dest="$out">
  <vmgm/>
$(titleset 'format="ntsc" aspect="4:3"' 'audio lang="en"' 'audio lang="fr"')
      <pgc>
$(vobs "${t1[@]}")
      </pgc>
$(end_titleset)
</dvdauthor>
EOF
}

author_loop() {
  chapter T1C1 ntsc 4:3 30 red ac3 440
  cat >"$work/disc.xml" <<EOF
<dvdauthor dest="$out">
  <vmgm>
    <fpc>jump menu 1;</fpc>
    <menus>
      <video format="ntsc" aspect="4:3"/>
      <pgc entry="title">
        <pre>jump title 1;</pre>
$(vobs T1C1)
      </pgc>
    </menus>
  </vmgm>
$(titleset 'format="ntsc" aspect="4:3"' 'audio lang="en"')
      <pgc>
        <pre>call vmgm menu entry title;</pre>
$(vobs T1C1)
      </pgc>
$(end_titleset)
</dvdauthor>
EOF
}

# cells NAME SECONDS-PER-CELL ATTRIBUTES...: a vob element cut into cells of equal length, one
# per attribute text ("chapter=\"1\"", "program=\"1\"" or nothing).
cells() {
  local name=$1 length=$2
  shift 2
  printf '        <vob file="%s/%s.mpg">\n' "$work" "$name"
  local k=0
  for attribute in "$@"; do
    printf '          <cell start="%s" end="%s" %s/>\n' "$(awk -v k=$k -v l="$length" 'BEGIN { printf "%.4f", k * l }')" \
      "$(awk -v k=$k -v l="$length" 'BEGIN { printf "%.4f", (k + 1) * l }')" "$attribute"
    k=$((k + 1))
  done
  printf '        </vob>\n'
}

# hide_audio IFO PGC STREAM: marks audio stream STREAM (from 1) as absent in program chain PGC
# (from 1) of a title set's information file, as a disc does whose title lacks a stream its
# title set declares (dvdauthor marks every declared stream present in every title).
hide_audio() {
  local ifo=$1 pgc=$2 stream=$3
  u32() { od -An -tu1 -j "$2" -N4 "$1" | awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4 }'; }
  local table chain
  table=$(($(u32 "$ifo" $((0xcc))) * 2048))
  chain=$((table + $(u32 "$ifo" $((table + 8 + 8 * (pgc - 1) + 4)))))
  printf '\000\000' | dd of="$ifo" bs=1 seek=$((chain + 0x0c + 2 * (stream - 1))) conv=notrunc status=none
}

author_edge() {
  export AC3_RATE=192k
  one_multiplex E1 ntsc 30 red green blue yellow magenta cyan white gray
  local turns=() forty=()
  for ((k = 0; k < 40; k++)); do
    if ((k % 2)); then turns+=(blue); else turns+=(red); fi
    forty+=('chapter="1"')
  done
  one_multiplex E2 ntsc 15 "${turns[@]}"
  chapter E3 ntsc 4:3 1800 green ac3 440 880
  chapter S1 ntsc 4:3 60 red ac3 440 880
  subtitle S1 NTSC 29.97 "SUB 1"
  chapter S2 ntsc 4:3 60 blue ac3 440
  chapter S3A ntsc 4:3 15 yellow ac3 440 880
  chapter S3B ntsc 4:3 30 cyan ac3 440 880
  cat >"$work/disc.xml" <<EOF
<dvdauthor dest="$out">
  <vmgm/>
$(titleset 'format="ntsc" aspect="4:3"' 'audio lang="en"' 'audio lang="fr"' 'subpicture lang="en"')
      <pgc>
$(cells E1 1.001 'chapter="1"' '' 'chapter="1"' '' 'program="1"' '' 'chapter="1"' '')
      </pgc>
      <pgc>
$(cells E2 0.5005 "${forty[@]}")
      </pgc>
      <pgc>
$(vobs E3)
      </pgc>
$(end_titleset)
$(titleset 'format="ntsc" aspect="4:3"' 'audio lang="en"' 'audio lang="fr"' 'subpicture lang="en"')
      <pgc>
$(vobs S1)
      </pgc>
      <pgc>
$(vobs S2)
      </pgc>
      <pgc>
        <vob file="$work/S3A.mpg" pause="2"/>
$(vobs S3B)
      </pgc>
$(end_titleset)
</dvdauthor>
EOF
}

case $kind in
  ntsc) author_ntsc ;;
  pal) author_pal ;;
  long) author_long ;;
  loop) author_loop ;;
  edge) author_edge ;;
  *) usage ;;
esac

rm -rf "$out"
mkdir -p "$(dirname "$out")"
VIDEO_FORMAT=$([[ $kind == pal ]] && echo PAL || echo NTSC) \
  dvdauthor -x "$work/disc.xml" >"$work/dvdauthor.log" 2>&1 || { cat "$work/dvdauthor.log" >&2; exit 1; }
if [[ $kind == edge ]]; then
  for ifo in "$out"/VIDEO_TS/VTS_02_0.IFO "$out"/VIDEO_TS/VTS_02_0.BUP; do hide_audio "$ifo" 2 2; done
fi
echo "disc: $out ($kind)"
if ((make_iso)); then
  genisoimage -quiet -dvd-video -V "TARN_TEST_${kind^^}" -o "$out.iso" "$out" 2>"$work/genisoimage.log" ||
    { cat "$work/genisoimage.log" >&2; exit 1; }
  echo "image: $out.iso"
fi
