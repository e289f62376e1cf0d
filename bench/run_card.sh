#!/usr/bin/env bash
# Card benchmark: how often, and how fast, each way of bringing a card home reads the card.
#
# A card image (generated MPEG-2 clips, or one given with --image) sits on a loop device. Every
# command runs in a cgroup of its own whose reads from that device are throttled (a USB card
# reader) and whose memory is limited below the card's size (a laptop importing a large card), so
# a second read of a clip cannot come from the page cache; the target is a folder on the normal,
# unthrottled disk. Caches are dropped before each command. Prints each mode's median time over
# the rounds against one cat of every clip, and the bytes each read from the card.
#
# Needs root, loop devices and the io (or v1 blkio) and memory cgroup controllers; a controller
# that is missing is reported in the header and the run goes on without it. Not part of the tests.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

usage() {
    cat <<EOF
usage: $0 [options]
  --size MIB      total size of the generated clips (1024)
  --clips N       number of generated clips (8)
  --memory MIB    memory limit of each command; must be below the card's size (256)
  --rate MIB      read throttle of the card in MiB/s (40)
  --rounds R      rounds; each mode's median is shown (3)
  --kadrel PATH   program to measure (default: build/kadrel, built first)
  --image FILE    card image to use instead of generated clips (never written; its .MOD
                  clips are what the modes read)
  --fs TYPE       file system of the generated card: exfat, vfat or ext4 (auto: the first
                  of these the kernel mounts)
  --work DIR      folder for the images and the target, on an unthrottled disk (/var/tmp);
                  needs about twice the card's size free
  --keep          keep the work folder (logs of every command) after the run
EOF
}

size_mib=1024 clips=8 memory_mib=256 rate_mib=40 rounds=3
kadrel="" image="" fs=auto work_parent=/var/tmp keep=0
while [ $# -gt 0 ]; do
    case $1 in
        --size) size_mib=$2; shift ;;
        --clips) clips=$2; shift ;;
        --memory) memory_mib=$2; shift ;;
        --rate) rate_mib=$2; shift ;;
        --rounds) rounds=$2; shift ;;
        --kadrel) kadrel=$2; shift ;;
        --image) image=$2; shift ;;
        --fs) fs=$2; shift ;;
        --work) work_parent=$2; shift ;;
        --keep) keep=1 ;;
        -h | --help) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
    shift
done

say() { printf '%s\n' "$*" >&2; }
die() { say "run_card.sh: $*"; exit 1; }

[ "$(id -u)" -eq 0 ] || die "needs root (loop devices, mounts, cgroups, drop_caches)"

# ---- cleanup: every mount, loop device and cgroup this script made goes, whatever happened ----

work="" loopdev="" card_mounted="" cgroups=()
cleanup() {
    set +e
    local dir pid
    for dir in "${cgroups[@]}"; do
        # Only the commands this script started can be in these groups.
        if [ -f "$dir/cgroup.procs" ]; then
            while read -r pid; do kill -KILL "$pid" 2>/dev/null; done <"$dir/cgroup.procs"
        fi
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            rmdir "$dir" 2>/dev/null && break
            sleep 0.2
        done
        [ -d "$dir" ] && say "run_card.sh: could not remove cgroup $dir"
    done
    if [ -n "$card_mounted" ]; then
        umount "$card_mounted" || umount -l "$card_mounted"
    fi
    [ -n "$loopdev" ] && losetup -d "$loopdev"
    if [ -n "$work" ]; then
        if [ "$keep" = 1 ]; then say "work folder kept: $work"; else rm -rf "$work"; fi
    fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# ---- the program ----

if [ -z "$kadrel" ]; then
    "$root/scripts/deps.sh"
    cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$root/build" --target kadrel >/dev/null
    kadrel=$root/build/kadrel
fi
kadrel=$(realpath -m "$kadrel")
[ -x "$kadrel" ] || die "no program at $kadrel"
if [ -n "$image" ]; then
    image=$(realpath -m "$image")
    [ -f "$image" ] || die "no card image at $image"
elif [ "$memory_mib" -ge "$size_mib" ]; then
    die "the memory limit ($memory_mib MiB) must be below the card's size ($size_mib MiB)"
fi
usage_text=$("$kadrel" -h 2>&1 || true)
has_manifest=0
case $usage_text in *"/V"*) has_manifest=1 ;; esac

work=$(mktemp -d "$work_parent/kadrel-card.XXXXXX")
card=$work/card dst=$work/target logs=$work/logs
mkdir -p "$card" "$dst" "$logs" "$work/config/plain" "$work/config/delete/kadrel"
# The delete modes get the keys a fresh settings file holds, with deletefiles on.
cat >"$work/config/delete/kadrel/Kadrel.ini" <<EOF
[Settings]
SearchFor=MOD
RenameTo=MPG
datetimeformat=yyyymmdd_HHMMSS
use_modificationtime=2
deletefiles=1
EOF

# ---- the card ----

attach() {
    loopdev=$(losetup --find --show --direct-io=on "$1" 2>/dev/null || losetup --find --show "$1")
}

mount_card() {
    mount "$loopdev" "$card"
    card_mounted=$card
}

unmount_card() {
    umount "$card"
    card_mounted=""
}

pristine=$image
if [ -z "$pristine" ]; then
    say "making the card: $clips clips, $size_mib MiB ..."
    pristine=$work/pristine.img
    fs=$("$root/bench/make_card.sh" "$pristine" "$size_mib" "$clips" "$fs")
else
    fs="given image"
fi
cp "$pristine" "$work/card.img"
attach "$work/card.img"
loopname=${loopdev#/dev/}
majmin=$(cat "/sys/block/$loopname/dev")
mount_card
card_files=$(find "$card" -type f -iname '*.mod' | wc -l)
card_bytes=$(find "$card" -type f -iname '*.mod' -printf '%s\n' | awk '{s += $1} END {print s + 0}')
[ "$card_files" -gt 0 ] || die "the card holds no .MOD clips"
[ $((memory_mib * 1048576)) -lt "$card_bytes" ] ||
    die "the memory limit ($memory_mib MiB) must be below the card's clips ($((card_bytes / 1048576)) MiB)"

# The patch and delete modes change the card: it gets its first state back, written through the
# loop device by this script (outside the cgroup, so neither throttled nor counted).
restore_card() {
    unmount_card
    dd if="$pristine" of="$loopdev" bs=4M oflag=direct conv=fsync status=none
    mount_card
}

# ---- the cgroup ----

v2_root=$(awk '$3 == "cgroup2" {print $2; exit}' /proc/mounts)
v2_controllers=""
[ -n "$v2_root" ] && v2_controllers=$(cat "$v2_root/cgroup.controllers" 2>/dev/null || true)
v2_group="" group_dir="" procs_files=() io_how="" mem_how=""

v1_mount() { awk -v c="$1" '$3 == "cgroup" && ("," $4 ",") ~ ("," c ",") {print $2; exit}' /proc/mounts; }

# Makes group_dir, the group of controller $1 on a v1 hierarchy, inside this script's own group
# there, so that limits set from outside still hold.
v1_group() {
    local mnt own
    mnt=$(v1_mount "$1")
    [ -n "$mnt" ] || return 1
    own=$(awk -F: -v c="$1" '("," $2 ",") ~ ("," c ",") {print $3; exit}' /proc/self/cgroup)
    group_dir=$mnt${own%/}/kadrel-card.$$
    mkdir "$group_dir" || return 1
    cgroups+=("$group_dir")
    procs_files+=("$group_dir/cgroup.procs")
}

# A v2 group at the hierarchy's root: an inner group that holds processes cannot hand
# controllers down to a child.
v2_group_with() {
    echo "+$1" >"$v2_root/cgroup.subtree_control" 2>/dev/null || return 1
    if [ -z "$v2_group" ]; then
        v2_group=$v2_root/kadrel-card.$$
        mkdir "$v2_group" || return 1
        cgroups+=("$v2_group")
        procs_files+=("$v2_group/cgroup.procs")
    fi
}

has_word() { case " $1 " in *" $2 "*) return 0 ;; esac; return 1; }

# Sets one limit through cgroup v2 where its controller is there, else through v1, and names the
# file in limit_how. Not in a subshell: the group helpers record the groups they make.
# Arguments: v2 controller, v2 file, v2 value, v1 controller, v1 file, v1 value.
set_limit() {
    if has_word "$v2_controllers" "$1" && v2_group_with "$1" && echo "$3" >"$v2_group/$2"; then
        limit_how="by cgroup v2 $2"
    elif v1_group "$4" && echo "$6" >"$group_dir/$5"; then
        limit_how="by cgroup v1 $5"
    else
        return 1
    fi
}

rate_bytes=$((rate_mib * 1048576))
if set_limit io io.max "$majmin rbps=$rate_bytes" blkio blkio.throttle.read_bps_device "$majmin $rate_bytes"; then
    io_how="$rate_mib MiB/s $limit_how"
else
    io_how="NOT throttled: no io or blkio controller could be used"
fi
memory_bytes=$((memory_mib * 1048576))
if set_limit memory memory.max "$memory_bytes" memory memory.limit_in_bytes "$memory_bytes"; then
    mem_how="$memory_mib MiB $limit_how"
else
    mem_how="NOT limited: no memory controller could be used; a second read of the card may come from the cache and show in neither time nor bytes"
fi
say "reads from the card: $io_how"
say "memory of each command: $mem_how"

# Runs a command with this subshell moved into the group first, so everything it starts is in it.
in_group() {
    (
        for f in "${procs_files[@]}"; do echo "$BASHPID" >"$f"; done
        exec "$@"
    )
}

# ---- the modes ----

modes=(cat cp copy wide patch delete)
[ "$has_manifest" = 1 ] && modes+=(manifest)

title() {
    case $1 in
        cat) echo "cat of every clip" ;;
        cp) echo "cp -r" ;;
        copy) echo "kadrel card dst" ;;
        wide) echo "kadrel card dst /W" ;;
        patch) echo "patch mode /W /C" ;;
        delete) echo "kadrel card dst /W, deletefiles=1, yes" ;;
        manifest) echo "kadrel card dst /W /V, deletefiles=1, yes" ;;
    esac
}

changes_card() { [ "$1" = patch ] || [ "$1" = delete ] || [ "$1" = manifest ]; }

# The delete is asked on the terminal, and confirmed: script gives the program one and types both
# yeses. Every other command reads /dev/null, so that nothing waits on the caller's terminal.
answer_yes() {
    printf 'y\ny\n' | in_group env XDG_CONFIG_HOME="$work/config/delete" \
        script -qec "$(printf '%q ' "$@")" /dev/null
}

run_command() {
    export XDG_CONFIG_HOME=$work/config/plain
    case $1 in
        cat) in_group find "$card" -type f -iname '*.mod' -exec cat {} + >/dev/null ;;
        cp) in_group cp -r "$card/." "$dst/" ;;
        copy) in_group "$kadrel" "$card" "$dst" ;;
        wide) in_group "$kadrel" "$card" "$dst" /W ;;
        patch) in_group "$kadrel" "$card" /W /C ;;
        delete) answer_yes "$kadrel" "$card" "$dst" /W ;;
        manifest) answer_yes "$kadrel" "$card" "$dst" /W /V ;;
    esac
}

count_clips() { find "$1" -type f -iname "$2" | wc -l; }

# Why the run of mode $1 did not do its work, or nothing.
check_result() {
    local copies
    copies=$(find "$dst" -type f ! -name kadrel.xxh128 | wc -l)
    case $1 in
        cp | copy | wide | delete | manifest)
            [ "$copies" -eq "$card_files" ] || echo "$copies copies of $card_files clips" ;;&
        patch) [ "$(count_clips "$card" '*.mpg')" -eq "$card_files" ] || echo "not every clip was renamed" ;;
        delete | manifest)
            [ "$(count_clips "$card" '*.mod')" -eq 0 ] || echo "clips are left on the card" ;;&
        manifest)
            [ "$(wc -l <"$dst/kadrel.xxh128" 2>/dev/null || echo 0)" -eq "$card_files" ] ||
                echo "the manifest does not list every copy" ;;
    esac
}

sectors_read() { awk '{print $3}' "/sys/block/$loopname/stat"; }

declare -A seconds=() bytes=() failed=()
card_dirty=0
measure() {
    local mode=$1 round=$2 s0 s1 t0 t1 rc=0 why
    if [ "$card_dirty" = 1 ]; then
        restore_card
        card_dirty=0
    fi
    rm -rf "$dst"
    mkdir "$dst"
    sync
    echo 3 >/proc/sys/vm/drop_caches
    s0=$(sectors_read)
    t0=$(date +%s%N)
    run_command "$mode" </dev/null >"$logs/$mode.$round.log" 2>&1 || rc=$?
    t1=$(date +%s%N)
    s1=$(sectors_read)
    changes_card "$mode" && card_dirty=1
    why=$(check_result "$mode")
    [ "$rc" -eq 0 ] || why="exit status $rc${why:+; $why}"
    if [ -n "$why" ]; then
        failed[$mode]=$why
        say "  $(title "$mode"): FAILED ($why); its output:"
        tail -n 5 "$logs/$mode.$round.log" >&2
        say ""
    fi
    seconds[$mode]+="$(((t1 - t0) / 1000000)) "
    bytes[$mode]+="$(((s1 - s0) * 512)) "
    say "  $(title "$mode"): $(((t1 - t0) / 1000000)) ms, $(((s1 - s0) / 2048)) MiB read from the card"
}

median() { tr ' ' '\n' | grep . | sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

for ((round = 1; round <= rounds; round++)); do
    say "round $round of $rounds"
    for mode in "${modes[@]}"; do measure "$mode" "$round"; done
done

# ---- the table ----

base_ms=$(median <<<"${seconds[cat]}")
cat <<EOF

Card: $card_files clips, $((card_bytes / 1048576)) MiB ($fs) on $loopdev
Reads from the card: $io_how
Memory of each command: $mem_how
Target: a folder on $(df --output=source "$work" | tail -n 1) (unthrottled); caches dropped before each command; medians of $rounds rounds
Program: $kadrel$([ "$has_manifest" = 1 ] || echo " (has no /V: the manifest mode is left out)")

| mode | time against one read of the card | median seconds | card read | reads of the card |
|---|---|---|---|---|
EOF
for mode in "${modes[@]}"; do
    ms=$(median <<<"${seconds[$mode]}")
    b=$(median <<<"${bytes[$mode]}")
    awk -v t="$(title "$mode")" -v ms="$ms" -v base="$base_ms" -v b="$b" -v card="$card_bytes" \
        -v bad="${failed[$mode]:-}" 'BEGIN {
            printf "| %s | %.2f | %.1f | %.0f MiB | %.2f |%s\n", t, ms / base, ms / 1000, b / 1048576,
                b / card, bad == "" ? "" : " FAILED: " bad
        }'
done
[ "${#failed[@]}" -eq 0 ]
