#!/bin/bash
# Wipes real volumes through the engine under Wine and checks the result from
# Linux: tmpfs with files on it, ext4 with a planted deleted file (reserve
# given away, and kept), and a volume that is already full.
#
#     volume-tests.sh <path of wipe_driver.exe>
#
# Needs root (mount). Without it: a loud message and exit 77 (CTest SKIP).
# TOLVANE_WINEPREFIX names the Wine prefix whose drive letters are used.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
driver="$1"
wine_run="$root/tools/wine-run"
export TOLVANE_WINEPREFIX="${TOLVANE_WINEPREFIX:-/tmp/tolvane-wineprefix-$(id -u)}"
. "$root/tools/volumes.sh"

# A 32-bit build where 32-bit code cannot run: skipped, with the reason.
"$root/tools/can-run-pe" "$driver" || exit 77
if ! vol_require_root; then
    echo "********************************************************************"
    echo "* volume_tests SKIPPED: real volumes need root and mount permission *"
    echo "********************************************************************"
    exit 77
fi

work="$(mktemp -d /tmp/tolvane-volume-tests.XXXXXX)"
cleanup() {
    vol_cleanup
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL [$case]: $*"
    failures=$((failures + 1))
}
note() { echo "     [$case] $*"; }

# The prefix exists before any drive letter is added to it.
"$wine_run" cmd /c exit >/dev/null 2>&1

# map_free_drive DIR: maps DIR to the first free letter from m on; sets LETTER.
map_free_drive() {
    local l
    for l in m n o p q r s t u v w x y; do
        if vol_map_drive "$TOLVANE_WINEPREFIX" "$l" "$1" 2>/dev/null; then
            LETTER="$l"
            return 0
        fi
    done
    echo "no free drive letter in $TOLVANE_WINEPREFIX" >&2
    return 1
}

# wipe TARGET: runs the driver; its output (CRs removed) goes to $work/out.
wipe() {
    "$wine_run" "$driver" "$1" >"$work/out.raw" 2>"$work/err"
    DRIVER_RC=$?
    tr -d '\r' <"$work/out.raw" >"$work/out"
}
field() { sed -n "s/^$1 //p" "$work/out"; }
messages() { sed -n 's/^msg //p' "$work/out"; }

# The byte-count text of the wiped-space line (decimal thresholds, binary
# divisors, five characters cut, never rounded).
format_bytes() {
    python3 -c '
import sys
v = float(int(sys.argv[1]))
for limit, div, unit in ((999999999999, 2**40, " Tb"), (999999999, 2**30, " Gb"),
                         (999999, 2**20, " Mb"), (999, 2**10, " Kb"), (-1, 1, " b")):
    if v > limit or limit < 0:
        print(("%f" % (v / div))[:5] + unit)
        break' "$1"
}

# normal_log WIPED: the lines of a run that ended because the volume was full.
normal_log() {
    printf '%s\n' "2 KoWipe::StartWipe: Wipe process started" \
        "2 KoWipe::StartWipe::GetDiskFreeSpaceEx: No free space avail" \
        "2 KoWipe::StartWipe: Wiped space: $(format_bytes "$1")"
}

# release DIR: unmounts the volume; while Wine still holds it, waits for the
# Wine server to end first (it lingers up to 30 s after the last program).
release() {
    local i
    vol_release "$1" 2>/dev/null && return 0
    WINEPREFIX="$TOLVANE_WINEPREFIX" timeout 60 wineserver -w 2>/dev/null
    for i in $(seq 1 30); do
        vol_release "$1" 2>/dev/null && return 0
        sleep 1
    done
    fail "cannot unmount $1"
    return 1
}

wipe_files_left() { find "$1" -maxdepth 1 -name 'Tolvane*.WipeFile' | wc -l; }

# ---------------------------------------------------------------------------
case="tmpfs with files"
dir="$work/tmpfs"
vol_make_tmpfs "$dir" 32 || exit 1
mkdir -p "$dir/sub"
head -c 1048577 /dev/urandom >"$dir/random.bin"
printf 'hello\n' >"$dir/sub/small.txt"
: >"$dir/empty"
head -c 300000 /dev/urandom >"$dir/sub/Tolvane.WipeFile.keep"
(cd "$dir" && find . -type f -print0 | sort -z | xargs -0 sha256sum) >"$work/before.sum"
avail="$(vol_avail_bytes "$dir")"
map_free_drive "$dir" || exit 1
wipe "$LETTER:"
[ "$DRIVER_RC" = 0 ] || fail "driver exit code $DRIVER_RC"
[ "$(field freeAtStart)" = "$avail" ] || fail "free at start $(field freeAtStart), Linux says $avail"
[ "$(field wiped)" = "$avail" ] || fail "wiped $(field wiped) of $avail"
[ "$(messages)" = "$(normal_log "$avail")" ] || fail "log: $(messages)"
[ "$(wipe_files_left "$dir")" = 0 ] || fail "wipe files left"
(cd "$dir" && find . -type f -print0 | sort -z | xargs -0 sha256sum) >"$work/after.sum"
cmp -s "$work/before.sum" "$work/after.sum" || fail "existing files changed"
[ "$(vol_avail_bytes "$dir")" = "$avail" ] || fail "free space not given back"
note "filled $avail bytes exactly in $(field ms) ms"
vol_unmap_drive "$TOLVANE_WINEPREFIX" "$LETTER"
release "$dir"

# ---------------------------------------------------------------------------
case="already full"
dir="$work/full"
vol_make_tmpfs "$dir" 4 || exit 1
head -c 4194304 /dev/urandom >"$dir/filler" 2>/dev/null
sum="$(sha256sum <"$dir/filler")"
[ "$(vol_avail_bytes "$dir")" = 0 ] || fail "could not fill the volume"
map_free_drive "$dir" || exit 1
wipe "$LETTER:\\"
[ "$(messages)" = "$(normal_log 0)" ] || fail "log: $(messages)"
[ "$(field finished)" = 1 ] || fail "not finished"
[ "$(find "$dir" -name 'Tolvane*' | wc -l)" = 0 ] || fail "a file was made"
[ "$(sha256sum <"$dir/filler")" = "$sum" ] || fail "existing file changed"
vol_unmap_drive "$TOLVANE_WINEPREFIX" "$LETTER"
release "$dir"

# ---------------------------------------------------------------------------
# Free space, but no room for another file: a full volume as well, which the
# run ends normally, without an Error line.
case="no file can be made"
dir="$work/inodes"
vol_make_tmpfs "$dir" 4 2 || exit 1
: >"$dir/last" || fail "could not take the last inode"
map_free_drive "$dir" || exit 1
wipe "$LETTER:"
[ "$DRIVER_RC" = 0 ] || fail "driver exit code $DRIVER_RC"
[ "$(messages)" = "$(printf '%s\n' "2 KoWipe::StartWipe: Wipe process started" \
    "2 KoWipeFile::Write: The volume is full" "2 KoWipe::StartWipe: Wiped space: 0.000 b")" ] ||
    fail "log: $(messages)"
vol_unmap_drive "$TOLVANE_WINEPREFIX" "$LETTER"
release "$dir"

# ---------------------------------------------------------------------------
# ext4: the file system may take a block for a wipe file's own metadata that
# the free-space figure did not show. The run then ends either when the
# figure reaches 0, or when a write finds the volume full first: both are the
# normal end of a run, and neither posts an Error line. Either may come after
# a last write that found no room for all of its chunk: what that write did
# store is not counted, so the run may be up to a chunk short of its first
# figure.
check_ext4_log() {
    local free wiped full
    free="$(field freeAtStart)"
    wiped="$(field wiped)"
    [ "$free" -gt 0 ] || fail "no free space measured"
    full="$(printf '%s\n' "2 KoWipe::StartWipe: Wipe process started" \
        "2 KoWipeFile::Write: The volume is full" \
        "2 KoWipe::StartWipe: Wiped space: $(format_bytes "$wiped")")"
    local short=$((2 * 1048576 + 65536)) # a last chunk that found no room
    if [ "$(messages)" = "$(normal_log "$wiped")" ]; then
        note "no free space left, $((free - wiped)) bytes short of $free"
    elif [ "$(messages)" = "$full" ]; then
        note "a write found the volume full, $((free - wiped)) bytes short of $free"
    else
        fail "log: $(messages)"
    fi
    [ "$wiped" -le "$free" ] && [ $((free - wiped)) -le "$short" ] || fail "wiped $wiped of $free"
}

for reserve in give keep; do
    case="ext4, reserve: $reserve"
    dir="$work/ext4-$reserve"
    vol_make_ext4 "$dir" 64 "$reserve" || exit 1
    echo "keep me" >"$dir/kept.txt"
    vol_plant_deleted "$dir" 8 || exit 1
    avail="$(vol_avail_bytes "$dir")"
    reserved=$(($(vol_free_bytes "$dir") - avail))
    map_free_drive "$dir" || exit 1
    wipe "$LETTER:"
    [ "$DRIVER_RC" = 0 ] || fail "driver exit code $DRIVER_RC"
    check_ext4_log
    [ "$(wipe_files_left "$dir")" = 0 ] || fail "wipe files left"
    [ "$(cat "$dir/kept.txt")" = "keep me" ] || fail "existing file changed"
    vol_unmap_drive "$TOLVANE_WINEPREFIX" "$LETTER"
    release "$dir" || continue
    left="$(vol_count_pattern "$dir.img")"
    if [ "$reserve" = give ]; then
        [ "$left" = 0 ] || fail "$left bytes of the deleted file survived"
    else
        # The reserve (min(2% of blocks, 4096 clusters)) is out of reach of
        # any ordinary writer; deleted data in those blocks stays.
        note "reserve kept ($reserved bytes out of reach): $left of 8388608 planted bytes survived"
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "volume_tests: $failures failure(s)"
    exit 1
fi
echo "volume_tests: all cases passed"
