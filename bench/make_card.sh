#!/usr/bin/env bash
# Makes a card image for bench/run_card.sh: IMAGE of CLIPS MPEG-2 clips in SD_VIDEO/PRG001 as a
# camcorder writes them (MOV001.MOD, ...), SIZE_MIB in all, a recording a minute apart, on file
# system FS (exfat, vfat, ext4, or auto: the first of these the kernel has). Prints the file
# system it used. Needs root (the image is mounted through a loop device to fill it) and ffmpeg;
# without ffmpeg the clips are a test clip of the repository repeated.
set -euo pipefail

[ $# -eq 4 ] || { echo "usage: $0 IMAGE SIZE_MIB CLIPS FS" >&2; exit 2; }
image=$1 size_mib=$2 clips=$3 fs=$4
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

work=$(mktemp -d "$(dirname "$image")/make-card.XXXXXX")
loopdev="" mounted=""
cleanup() {
    set +e
    [ -n "$mounted" ] && umount "$mounted"
    [ -n "$loopdev" ] && losetup -d "$loopdev"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

pick_fs() {
    local t
    for t in exfat vfat ext4; do
        if grep -qw "$t" /proc/filesystems && command -v "mkfs.$t" >/dev/null; then
            echo "$t"
            return
        fi
    done
    echo ext4
}

# One short recording, encoded once; every clip is that recording looped to the clip's size.
make_recording() {
    if command -v ffmpeg >/dev/null; then
        ffmpeg -nostdin -loglevel error -y \
            -f lavfi -i "testsrc=size=720x576:rate=25:duration=8" \
            -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=8" \
            -c:v mpeg2video -g 12 -bf 2 -b:v 9M -maxrate 9.8M -bufsize 1835k -aspect 4:3 \
            -c:a mp2 -b:a 256k -f vob "$work/recording.mpg"
    else
        cp "$root/tests/data/pal720x576.mpg" "$work/recording.mpg"
    fi
}

# Writes clip $1 of $2 bytes.
make_clip() {
    if command -v ffmpeg >/dev/null; then
        ffmpeg -nostdin -loglevel error -y -stream_loop -1 -i "$work/recording.mpg" \
            -c copy -fs "$2" -f vob "$1"
    else
        while [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -lt "$2" ]; do
            cat "$work/recording.mpg" >>"$1"
        done
    fi
}

[ "$fs" = auto ] && fs=$(pick_fs)
truncate -s "$(((size_mib + size_mib / 10 + 64) * 1048576))" "$image"
case $fs in
    vfat) mkfs.vfat -F 32 -n CARD "$image" >/dev/null ;;
    exfat) mkfs.exfat -L CARD "$image" >/dev/null ;;
    *) mkfs.ext4 -q -L CARD "$image" ;;
esac
loopdev=$(losetup --find --show "$image")
mkdir "$work/card"
mount "$loopdev" "$work/card"
mounted=$work/card
folder=$work/card/SD_VIDEO/PRG001
mkdir -p "$folder"
make_recording
for ((i = 1; i <= clips; i++)); do
    clip=$folder/$(printf 'MOV%03X.MOD' "$i")
    make_clip "$clip" "$((size_mib * 1048576 / clips))"
    # A clip a minute, so that every copy gets a name of its own.
    touch -d "@$((1714550400 + i * 60))" "$clip"
done
echo "$fs"
