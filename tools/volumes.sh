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
# "loop DEVICE", "drive PREFIX LETTER", "dir DIR".
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

# vol_make_tmpfs DIR MIB [INODES]: mounts a tmpfs of MIB MiB (and at most
# INODES files and folders) at DIR (created if missing). tmpfs has no
# reserve: its available count is its free count.
vol_make_tmpfs() {
    local dir="$1" mib="$2" inodes="${3:+,nr_inodes=$3}"
    if [ ! -d "$dir" ]; then
        mkdir -p "$dir" || return 1
        VOL_MADE+=("dir $dir")
    fi
    mount -t tmpfs -o "size=${mib}m$inodes" tmpfs "$dir" || return 1
    VOL_MADE+=("mount $dir")
}

# vol_make_ext4 DIR MIB [give|keep] [BLOCK]: makes the image DIR.img of MIB MiB
# (mkfs.ext4 -m 0, eager inode/journal init so no background work competes,
# 4 KiB blocks as on larger volumes: mkfs would pick 1 KiB blocks for small
# images, whose many block groups split files into more extents),
# loop-mounts it at DIR. "give" (the default) then gives ext4's hidden
# reserve away (reserved_clusters = 0), so the available count equals the
# free count and a file-based wipe can reach every free block; "keep" leaves
# the reserve (min(2% of blocks, 4096 clusters)) out of reach. BLOCK (bytes)
# replaces the 4096-byte blocks.
vol_make_ext4() {
    local dir="$1" mib="$2" reserve="${3:-give}" block="${4:-4096}"
    local img="$dir.img"
    if [ -e "$img" ]; then
        _vol_err "$img already exists; not touching it"
        return 1
    fi
    truncate -s "${mib}M" "$img" || return 1
    VOL_MADE+=("image $img")
    mkfs.ext4 -q -F -m 0 -b "$block" -E lazy_itable_init=0,lazy_journal_init=0 "$img" || return 1
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

# vol_make_ntfs DIR MIB: makes the NTFS image DIR.img of MIB MiB (mkntfs -q
# -F -f), attaches it to a loop device and mounts that at DIR with ntfs-3g
# (package ntfs-3g). Through a block device ntfs-3g mounts as "fuseblk",
# whose unmount waits until ntfs-3g has written everything back and closed
# the device, so the image can be read right after vol_release. Mount it
# again with vol_remount_ntfs DIR.
vol_make_ntfs() {
    local dir="$1" mib="$2"
    local img="$dir.img" dev out
    if [ -e "$img" ]; then
        _vol_err "$img already exists; not touching it"
        return 1
    fi
    if ! command -v mkntfs >/dev/null || ! command -v ntfs-3g >/dev/null; then
        _vol_err "mkntfs or ntfs-3g missing (apt-get install ntfs-3g)"
        return 1
    fi
    truncate -s "${mib}M" "$img" || return 1
    VOL_MADE+=("image $img")
    # mkntfs warns about the geometry of a plain file: shown only on failure.
    if ! out="$(mkntfs -q -F -f "$img" 2>&1)"; then
        _vol_err "mkntfs failed: $out"
        return 1
    fi
    dev="$(losetup -f --show "$img")" || return 1
    VOL_MADE+=("loop $dev")
    if [ ! -d "$dir" ]; then
        mkdir -p "$dir" || return 1
        VOL_MADE+=("dir $dir")
    fi
    vol_remount_ntfs "$dir"
}

# vol_make_exfat DIR MIB: makes the exFAT image DIR.img of MIB MiB
# (mkfs.exfat, package exfatprogs), attaches it to a loop device and mounts
# that at DIR with mount.exfat-fuse (package exfat-fuse), which refuses a
# plain file.
vol_make_exfat() {
    local dir="$1" mib="$2" img="$1.img" dev
    if [ -e "$img" ]; then
        _vol_err "$img already exists; not touching it"
        return 1
    fi
    truncate -s "${mib}M" "$img" || return 1
    VOL_MADE+=("image $img")
    mkfs.exfat "$img" >/dev/null || return 1
    dev="$(losetup -f --show "$img")" || return 1
    VOL_MADE+=("loop $dev")
    if [ ! -d "$dir" ]; then
        mkdir -p "$dir" || return 1
        VOL_MADE+=("dir $dir")
    fi
    mount.exfat-fuse "$dev" "$dir" >/dev/null 2>&1 || return 1
    VOL_MADE+=("mount $dir")
}

# vol_remount_ntfs DIR: mounts the NTFS volume made by vol_make_ntfs DIR at
# DIR again (after vol_release).
vol_remount_ntfs() {
    local dir="$1" dev
    dev="$(losetup -n -O NAME -j "$dir.img" | head -n1)"
    if [ -z "$dev" ]; then
        _vol_err "$dir.img is not attached to a loop device"
        return 1
    fi
    ntfs-3g "$dev" "$dir" || return 1
    VOL_MADE+=("mount $dir")
}

# Small planted files: file I of the planting TAG is named
# "TvSmall-<TAG>-<IIII>.dat" and holds its key "TOLVANE-SMALL-<TAG>-<IIII>;"
# repeated, cut to the file's size. TAG (letters and digits) tells one
# planting from another on the same volume, so a count sees only the files
# of the planting asked for.

# vol_plant_small_files DIR TAG [COUNT] [BYTES]: writes COUNT (default 500)
# files of BYTES (default 200) bytes each into DIR, syncs, deletes them,
# syncs and drops the page cache. On NTFS files this small live inside their
# file records; a deleted one's contents and name stay in the freed record.
vol_plant_small_files() {
    local dir="$1" tag="$2" count="${3:-500}" bytes="${4:-200}"
    if ! [[ "$tag" =~ ^[A-Za-z0-9]+$ && "$count" =~ ^[0-9]+$ && "$bytes" =~ ^[0-9]+$ ]] ||
        ((count > 10000)); then
        _vol_err "vol_plant_small_files: TAG of letters and digits, at most 10000 files"
        return 1
    fi
    python3 - "$dir" "$tag" "$count" "$bytes" <<'EOF' || return 1
import os, sys
folder, tag, count, size = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
for i in range(count):
    key = f"TOLVANE-SMALL-{tag}-{i:04d};".encode()
    with open(os.path.join(folder, f"TvSmall-{tag}-{i:04d}.dat"), "wb") as f:
        f.write((key * (size // len(key) + 1))[:size])
EOF
    sync
    rm -f "$dir/TvSmall-$tag-"[0-9][0-9][0-9][0-9].dat
    sync
    echo 3 >/proc/sys/vm/drop_caches
}

# vol_count_small_files FILE TAG [COUNT]: reads FILE (a raw image, after
# vol_release) and prints two numbers: how many of the COUNT (default 500)
# files planted with TAG still have their contents in it (ASCII: any whole
# copy of the file's key), and how many still have their name (UTF-16LE, as
# NTFS keeps names: the whole name).
vol_count_small_files() {
    python3 - "$1" "$2" "${3:-500}" <<'EOF'
import mmap, re, sys
path, tag, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
def utf16(text):
    return b"".join(re.escape(c.encode()) + b"\x00" for c in text)
contents = re.compile(re.escape(f"TOLVANE-SMALL-{tag}-".encode()) + rb"([0-9]{4});")
names = re.compile(utf16(f"TvSmall-{tag}-") + rb"((?:[0-9]\x00){4})" + utf16(".dat"))
with open(path, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as data:
    found_contents = {int(m.group(1)) for m in contents.finditer(data)}
    found_names = {int(m.group(1)[::2]) for m in names.finditer(data)}
print(sum(i < count for i in found_contents), sum(i < count for i in found_names))
EOF
}

# vol_loopdev DIR: prints the block device name (e.g. loop3) mounted at DIR.
vol_loopdev() {
    local src
    src="$(findmnt -n -o SOURCE --mountpoint "$1")" || return 1
    basename "$src"
}

# vol_avail_bytes DIR: prints the bytes available to an ordinary writer on
# the volume at DIR (statvfs f_bavail * f_frsize, which Wine reports).
# (Shell arithmetic, not awk: mawk's %d stops at 2^31 - 1.)
vol_avail_bytes() {
    local n
    read -r -a n < <(stat -f -c '%a %S' "$1") && echo $((n[0] * n[1]))
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
# mounts (lazily if busy), loop devices, images and the folders it created. Safe to call
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
        loop) losetup -d "$rest" 2>/dev/null ;;
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
    local n
    read -r -a n < <(stat -f -c '%f %S' "$1") && echo $((n[0] * n[1]))
}
