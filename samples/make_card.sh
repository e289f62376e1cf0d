#!/bin/sh
# Makes the small sample card under samples/card: three short MPEG-2 program-stream clips
# in the folder shape camcorders write (SD_VIDEO/PRGnnn/MOVnnn.MOD) with a small .MOI
# companion beside each, all from synthetic sources. The clips are 4:3 PAL, so copying
# them with /W shows the 16:9 flag being set. File times are set to fixed recording times.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
card="$here/card/SD_VIDEO"
rm -rf "$here/card"
mkdir -p "$card/PRG001" "$card/PRG002"

clip() {  # clip <output> <test source>
    ffmpeg -nostdin -loglevel error -f lavfi -i "$2=size=720x576:rate=25:duration=1" \
        -f lavfi -i "sine=frequency=440:duration=1" \
        -c:v mpeg2video -b:v 1500k -aspect 4:3 -g 12 -c:a mp2 -b:a 128k -ar 48000 \
        -f vob -y "$1"
    moi="${1%.MOD}.MOI"
    # Camcorders keep clip metadata in the .MOI; a fixed dummy of the usual size will do.
    printf 'V6%0254d' 0 > "$moi"
}

clip "$card/PRG001/MOV001.MOD" testsrc
clip "$card/PRG001/MOV002.MOD" smptebars
clip "$card/PRG002/MOV003.MOD" rgbtestsrc
"$here/set_times.sh"
du -sh "$here/card"
