#!/bin/sh
# Makes the small MPEG-2 program-stream clips the wide-screen flag tests run on, from
# synthetic sources only: 2 s of test pattern and tone, a GOP of 12 frames so that every
# clip holds several sequence headers, all 4:3. Writes the clips beside this script.
# Needs the ffmpeg tool; the clips are kept in the repository, so this only documents
# (and can repeat) how they were made.
set -eu
cd "$(dirname "$0")"

clip() {
    out=$1 size=$2 rate=$3
    shift 3
    ffmpeg -nostdin -loglevel fatal -y \
        -f lavfi -i "testsrc=size=${size}:rate=${rate}:duration=2" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=2" \
        -c:v mpeg2video -g 12 -bf 2 -q:v 16 -aspect 4:3 -c:a mp2 -b:a 64k "$@" "$out"
}

clip pal720x576.mpg 720x576 25 -f vob
clip ntsc720x480.mpg 720x480 30000/1001 -f vob
clip pal704x576.mpg 704x576 25 -f vob
clip cif352x288.mpg 352x288 25 -f vob
# 640 is no camcorder width: the scan must leave this clip as it is.
clip vga640x480.mpg 640x480 25 -f vob
# Sequence display extensions with a colour description (12-byte extensions); the
# display width 704 differs from 720, so the rewrite to 720 has work to do.
clip sde704x576.mpg 704x576 25 -seq_disp_ext 1 -video_format 1 \
    -color_primaries bt470bg -color_trc gamma28 -colorspace bt470bg -f vob

# Remuxed with odd pack sizes, so that pack and PES headers cut video structures:
# with 2042-byte packs a sequence header is cut after byte 5 and an extension inside
# its colour bytes; with 1895-byte packs an extension is cut inside its size bytes.
# The sizes were found by trying; the tests check that the cuts are really there.
clip cut.tmp.mpg 720x576 25 -seq_disp_ext 1 -video_format 1 \
    -color_primaries bt470bg -color_trc gamma28 -colorspace bt470bg -f vob
for packetsize in 2042 1895; do
    ffmpeg -nostdin -loglevel fatal -y -i cut.tmp.mpg -c copy -packetsize "$packetsize" \
        -f mpeg "cut${packetsize}.mpg"
done
rm -f cut.tmp.mpg
