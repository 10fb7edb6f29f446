# Real scratch volumes for tests, benchmarks and demos. Source it from bash:
#
#     . tools/volumes.sh
#     vol_require_root || exit 77
#     trap vol_cleanup EXIT
#     vol_make_ext4 /tmp/me/v1 64 give
#     vol_plant_deleted /tmp/me/v1 8
#     vol_map_drive "$WINEPREFIX" t /tmp/me/v1
#     ... run a Windows program on T: ...
#     WINEPREFIX=... wineserver -w
#     vol_release /tmp/me/v1
#     vol_count_pattern /tmp/me/v1.img
#
# Everything a function makes (mounts, images, drive letters) is recorded and
# vol_cleanup undoes exactly that, newest first; nothing else is touched.
# Mounting needs root. Functions print errors on stderr and return nonzero on
# failure; they never exit the calling shell.

# The planted pattern: 32 bytes, so a 4 KiB block of the planted file holds
# 128 whole copies and a count of copies times 32 is a count of bytes.
VOL_PATTERN="${VOL_PATTERN:-TOLVANE-PLANTED-DELETED-DATA-32B}"

# What this shell made, one record per line: "mount DIR", "image FILE",
# "drive PREFIX LETTER", "dir DIR".
VOL_MADE=()

_vol_err() { echo "volumes.sh: $*" >&2; }

# vol_require_root: returns 0 when this shell can mount volumes (root, and a
# tmpfs mount works here); otherwise prints why on stderr and returns 1.
# Callers that cannot go on without volumes should exit 77 (CTest SKIP).
vol_require_root() {
    if [ "$(id -u)" != 0 ]; then
        _vol_err "NOT ROOT: real-volume steps need root to mount; skipping them"
        return 1
    fi
    local probe
    probe="$(mktemp -d /tmp/vol-probe.XXXXXX)" || return 1
    if ! mount -t tmpfs -o size=1m tmpfs "$probe" 2>/dev/null; then
        rmdir "$probe"
        _vol_err "MOUNT NOT PERMITTED here (root, but mount fails); skipping real-volume steps"
        return 1
    fi
    umount "$probe"
    rmdir "$probe"
    return 0
}

# vol_make_tmpfs DIR MIB: mounts a tmpfs of MIB MiB at DIR (created if
# missing). tmpfs has no reserve: its available count is its free count.
vol_make_tmpfs() {
    local dir="$1" mib="$2"
    if [ ! -d "$dir" ]; then
        mkdir -p "$dir" || return 1
        VOL_MADE+=("dir $dir")
    fi
    mount -t tmpfs -o "size=${mib}m" tmpfs "$dir" || return 1
    VOL_MADE+=("mount $dir")
}

# vol_make_ext4 DIR MIB [give|keep]: makes the image DIR.img of MIB MiB
# (mkfs.ext4 -m 0, eager inode/journal init so no background work competes,
# 4 KiB blocks as on larger volumes: mkfs would pick 1 KiB blocks for small
# images, whose many block groups split files into more extents),
# loop-mounts it at DIR. "give" (the default) then gives ext4's hidden
# reserve away (reserved_clusters = 0), so the available count equals the
# free count and a file-based wipe can reach every free block; "keep" leaves
# the reserve (min(2% of blocks, 4096 clusters)) out of reach.
vol_make_ext4() {
    local dir="$1" mib="$2" reserve="${3:-give}"
    local img="$dir.img"
    if [ -e "$img" ]; then
        _vol_err "$img already exists; not touching it"
        return 1
    fi
    truncate -s "${mib}M" "$img" || return 1
    VOL_MADE+=("image $img")
    mkfs.ext4 -q -F -m 0 -b 4096 -E lazy_itable_init=0,lazy_journal_init=0 "$img" || return 1
    if [ ! -d "$dir" ]; then
        mkdir -p "$dir" || return 1
        VOL_MADE+=("dir $dir")
    fi
    mount -o loop "$img" "$dir" || return 1
    VOL_MADE+=("mount $dir")
    if [ "$reserve" = give ]; then
        local dev
        dev="$(vol_loopdev "$dir")" || return 1
        echo 0 >"/sys/fs/ext4/$dev/reserved_clusters" || return 1
    fi
}

# vol_loopdev DIR: prints the block device name (e.g. loop3) mounted at DIR.
vol_loopdev() {
    local src
    src="$(findmnt -n -o SOURCE --mountpoint "$1")" || return 1
    basename "$src"
}

# vol_avail_bytes DIR: prints the bytes available to an ordinary writer on
# the volume at DIR (statvfs f_bavail * f_frsize, which Wine reports).
vol_avail_bytes() {
    stat -f -c '%a %S' "$1" | awk '{ printf "%d\n", $1 * $2 }'
}

# vol_map_drive PREFIX LETTER DIR: makes drive LETTER: of the Wine prefix
# PREFIX show DIR (dosdevices symlink). Refuses a letter already in use.
vol_map_drive() {
    local prefix="$1" letter="${2,,}" dir="$3"
    local link="$prefix/dosdevices/$letter:"
    if [ -e "$link" ] || [ -L "$link" ]; then
        _vol_err "drive $letter: already exists in $prefix; not touching it"
        return 1
    fi
    mkdir -p "$prefix/dosdevices" || return 1
    ln -s "$dir" "$link" || return 1
    VOL_MADE+=("drive $prefix $letter")
}

# vol_unmap_drive PREFIX LETTER: removes a drive letter made by vol_map_drive.
vol_unmap_drive() {
    local prefix="$1" letter="${2,,}"
    rm -f "$prefix/dosdevices/$letter:"
    _vol_forget "drive $prefix $letter"
}

# vol_plant_deleted DIR MIB [NAME]: writes a file of MIB MiB of the pattern
# into DIR, syncs, deletes it, syncs and drops the page cache, so the pattern
# sits only in free blocks of the volume.
vol_plant_deleted() {
    local dir="$1" mib="$2" name="${3:-planted.bin}"
    python3 - "$dir/$name" "$mib" "$VOL_PATTERN" <<'EOF' || return 1
import sys
path, mib, pattern = sys.argv[1], int(sys.argv[2]), sys.argv[3].encode()
block = pattern * (1048576 // len(pattern))
with open(path, "wb") as f:
    for _ in range(mib):
        f.write(block)
EOF
    sync
    rm -f "$dir/$name"
    sync
    echo 3 >/proc/sys/vm/drop_caches
}

# vol_count_pattern FILE: prints how many bytes of FILE (a raw image, read
# after vol_release) still hold the planted pattern, in whole copies.
vol_count_pattern() {
    python3 - "$1" "$VOL_PATTERN" <<'EOF'
import sys
path, pattern = sys.argv[1], sys.argv[2].encode()
n = len(pattern)
count = 0
tail = b""
with open(path, "rb") as f:
    while True:
        chunk = f.read(64 << 20)
        if not chunk:
            break
        data = tail + chunk
        # A copy may straddle two reads: matches starting in the last n-1
        # bytes are left for the next round, which sees them whole. The
        # pattern has no period shorter than itself, so none is counted twice.
        end = len(data) - (n - 1)
        pos = data.find(pattern, 0)
        while 0 <= pos < end:
            count += 1
            pos = data.find(pattern, pos + n)
        tail = data[end:]
print(count * n)
EOF
}

# vol_release DIR: unmounts the volume at DIR (a loop device made by mount -o
# loop is detached with it). Wait for Wine first: WINEPREFIX=... wineserver -w.
vol_release() {
    local dir="$1"
    sync
    umount "$dir" || return 1
    _vol_forget "mount $dir"
}

# vol_cleanup: undoes everything recorded, newest first: drive letters,
# mounts (lazily if busy), images and the folders it created. Safe to call
# twice and from an EXIT trap.
vol_cleanup() {
    local i rec kind rest
    for ((i = ${#VOL_MADE[@]} - 1; i >= 0; i--)); do
        rec="${VOL_MADE[$i]}"
        kind="${rec%% *}"
        rest="${rec#* }"
        case "$kind" in
        drive) rm -f "${rest% *}/dosdevices/${rest##* }:" ;;
        mount) umount "$rest" 2>/dev/null || umount -l "$rest" 2>/dev/null ;;
        image) rm -f "$rest" ;;
        dir) rmdir "$rest" 2>/dev/null ;;
        esac
    done
    VOL_MADE=()
}

_vol_forget() {
    local i
    for i in "${!VOL_MADE[@]}"; do
        [ "${VOL_MADE[$i]}" = "$1" ] && unset 'VOL_MADE[$i]'
    done
    VOL_MADE=("${VOL_MADE[@]}")
}

# vol_free_bytes DIR: prints the free bytes of the volume at DIR, reserve
# included (statvfs f_bfree * f_frsize); minus vol_avail_bytes, the reserve.
vol_free_bytes() {
    stat -f -c '%f %S' "$1" | awk '{ printf "%d\n", $1 * $2 }'
}
