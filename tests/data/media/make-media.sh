#!/usr/bin/env bash
# make-media.sh [DIR]: makes the small movie files the media tests read (default: beside this
# script). Each is a still picture at one frame a second with a few seconds of silent audio, so
# that a movie of an hour and a half takes a few hundred kilobytes. Needs ffmpeg
# (tools/install-packages.sh ffmpeg) and genisoimage.
# The same ffmpeg gives the same files; the tests check facts, not bytes.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
mkdir -p "$out"
cd "$out"
ff=(ffmpeg -nostdin -hide_banner -loglevel error -y)

# A still picture of the given size at one frame a second for the given seconds, and silent audio.
still() { echo "color=c=0x204060:s=$1:r=1:d=$2"; }
silence() { echo "anullsrc=r=8000:cl=$1"; }

# A Matroska file of an hour and a half at 1080p: Chinese and English audio, a Chinese subtitle.
printf '1\n00:00:01,000 --> 00:00:03,000\n你好\n' >chs.srt
"${ff[@]}" -f lavfi -i "$(still 1920x1080 5400)" -f lavfi -t 3 -i "$(silence stereo)" \
    -f lavfi -t 3 -i "$(silence mono)" -i chs.srt \
    -map 0:v -map 1:a -map 2:a -map 3:s -c:v libx264 -preset ultrafast -tune stillimage -g 600 \
    -c:a aac -b:a 8k -c:s srt \
    -metadata:s:a:0 language=chi -metadata:s:a:1 language=eng -metadata:s:s:0 language=chi \
    feature.mkv
rm chs.srt
# Subtitle files beside it, with language marks.
printf '1\n00:00:01,000 --> 00:00:03,000\n你好\n' >feature.chs.srt
printf '[Script Info]\nScriptType: v4.00+\n' >feature.eng.ass
printf '1\n00:00:01,000 --> 00:00:03,000\nhola\n' >feature.srt

# A movie in two parts of 50 and 45 minutes, 720p MPEG-4 with the index at the front.
for part in 1:3000 2:2700; do
    "${ff[@]}" -f lavfi -i "$(still 1280x720 "${part#*:}")" -f lavfi -t 3 -i "$(silence stereo)" \
        -c:v libx264 -preset ultrafast -tune stillimage -g 600 -c:a aac -b:a 8k \
        -metadata:s:a:0 language=jpn -movflags +faststart "parts.CD${part%%:*}.mp4"
done

# An AVI of two minutes at standard definition: no languages at all.
"${ff[@]}" -f lavfi -i "$(still 720x576 120)" -f lavfi -t 3 -i "$(silence mono)" \
    -c:v libx264 -preset ultrafast -tune stillimage -g 600 -c:a pcm_u8 plain.avi

# Damaged files: random bytes with a movie's name, and the Matroska file cut short.
python3 -c "import random; random.seed(7); open('random.mkv','wb').write(bytes(random.randrange(256) for _ in range(65536)))"
head -c 3000 feature.mkv >truncated.mkv
# hangs-mediainfo.mkv is not made here: it is feature.mkv with bytes flipped at random (seed 11,
# an attack on the reading), which sends MediaInfo 23.04 round a loop for ever; it is kept as it
# was found.

# A disc image with a volume label, for reading a medium's identity (genisoimage).
command -v genisoimage >/dev/null || "$here/../../../tools/install-packages.sh" genisoimage
label=$(mktemp -d)
echo x >"$label/a.txt"
genisoimage -quiet -V REELSHELF_TEST -J -R -o label.iso "$label"
rm -r "$label"
ls -l "$out"
