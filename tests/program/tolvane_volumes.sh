#!/bin/bash
# Tolvane.exe itself on real small volumes mapped to Wine drive letters:
#   - /P:<drive> /A wipes, closes by itself, leaves no wipe file and none of
#     the planted deleted data, writes the settings file, exits 0;
#   - /P:<missing folder> /A runs nothing, stays open until closed, exits 2;
#   - /P:<drive> /R /A leaves m_boolRandom=1 and the other three 0;
#   - a second instance started during a run exits at once with 3, and the
#     first run still ends normally;
#   - WM_CLOSE during a run cancels it: no wipe file is left, exit code 1;
#   - wipe files left by a killed run that fill the volume are deleted by
#     the next run, which then wipes normally and exits 0;
#   - on NTFS, 500 deleted small files (kept in free file records, not in
#     clusters) are gone from the raw image after /P:<drive> /A, every other
#     file is as it was, and nothing of the run is left;
#   - folders named in Cyrillic and in Japanese, each on a volume of its own
#     with deleted data planted through that folder: /P:"<folder>" /A wipes
#     it, exits 0, leaves no wipe file, and none of the planted data is left.
# "During a run" is made certain, not likely: once the first wipe file shows
# up the program is stopped (SIGSTOP) while the test acts, then resumed.
#
# Usage: tolvane_volumes.sh TOLVANE_EXE PROBE_EXE SOURCE_ROOT
# Needs root to mount; without it the test is skipped (exit 77).
set -u
exe="$1"
probe="$2"
root="$3"
wine_run="$root/tools/wine-run"
export WINEPREFIX="${TOLVANE_WINEPREFIX:?TOLVANE_WINEPREFIX must name the Wine prefix}"
export TOLVANE_WINEPREFIX

# shellcheck source=../../tools/volumes.sh
. "$root/tools/volumes.sh"
"$root/tools/can-run-pe" "$exe" || exit 77
if ! vol_require_root; then
    echo "*************************************************************" >&2
    echo "*** SKIPPED: Tolvane.exe volume tests need root to mount. ***" >&2
    echo "*************************************************************" >&2
    exit 77
fi

scratch="$(mktemp -d /tmp/tolvane-program.XXXXXX)"
pids=()
ini=""
ini_saved=""
passed=0
failed=0
script_volumes=0

cleanup() {
    local p
    for p in "${pids[@]}"; do
        kill -CONT "$p" 2>/dev/null
        kill "$p" 2>/dev/null
    done
    wineserver -w 2>/dev/null
    if [ -n "$ini" ]; then
        rm -f "$ini"
        [ -n "$ini_saved" ] && cp "$ini_saved" "$ini"
    fi
    vol_cleanup
    rm -rf "$scratch"
}
trap cleanup EXIT

pass() {
    echo "PASS: $*"
    passed=$((passed + 1))
}
fail() {
    echo "FAIL: $*"
    failed=$((failed + 1))
}
check() { # check DESCRIPTION COMMAND...
    local what="$1"
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# start NAME ARGS...: starts Tolvane.exe in the background; its pid is in $started.
start() {
    local name="$1"
    shift
    "$wine_run" "$exe" "$@" >"$scratch/$name.out" 2>&1 &
    started=$!
    pids+=("$started")
}

# finish PID SECONDS: waits for the process to end and sets $rc to its exit
# code, or to "timeout" (and kills it) when it has not ended in time. Not in
# a $(...) subshell: only this shell can wait for its own children.
finish() {
    local pid="$1" limit=$(($2 * 10)) i
    for ((i = 0; i < limit; i++)); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            rc=$?
            return
        fi
        sleep 0.1
    done
    kill -CONT "$pid" 2>/dev/null
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    rc=timeout
}

# wait_for_wipe_file DIR PID: true once a wipe file exists in DIR while the
# process still runs.
wait_for_wipe_file() {
    local dir="$1" pid="$2" i
    for ((i = 0; i < 6000; i++)); do
        compgen -G "$dir/Tolvane*.WipeFile" >/dev/null && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.01
    done
    return 1
}

no_wipe_files() { [ -z "$(find "$1" -maxdepth 1 -iname 'Tolvane*.WipeFile')" ]; }

ini_value() { # ini_value KEY: the value in the settings file, or "missing"
    local v
    v="$(tr -d '\r' <"$ini" 2>/dev/null | sed -n "s/^$1=//p")"
    echo "${v:-missing}"
}

# map_free_letter DIR: maps DIR to a letter no one else uses and sets $letter
# to it (upper case). Not in a subshell: volumes.sh records what it made.
map_free_letter() {
    local l
    for l in t u v w x y; do
        if [ ! -e "$WINEPREFIX/dosdevices/$l:" ] && [ ! -L "$WINEPREFIX/dosdevices/$l:" ] &&
            vol_map_drive "$WINEPREFIX" "$l" "$1" 2>/dev/null; then
            letter="${l^^}"
            return 0
        fi
    done
    return 1
}

# The settings file, as the program finds it, in Unix terms (C: is drive_c).
"$wine_run" "$probe" ini-path >"$scratch/ini-path" 2>&1 || {
    cat "$scratch/ini-path"
    echo "FAIL: cannot ask Wine for the settings file"
    exit 1
}
win_ini="$(tr -d '\r' <"$scratch/ini-path")"
ini_rest="${win_ini#[Cc]:}"
ini="$WINEPREFIX/drive_c${ini_rest//\\//}"
if [ -f "$ini" ]; then
    ini_saved="$scratch/ini.saved"
    cp "$ini" "$ini_saved"
fi

small="$scratch/small"
big="$scratch/big"
vol_make_ext4 "$small" 64 give && vol_make_ext4 "$big" 512 give || {
    echo "FAIL: cannot make the scratch volumes"
    exit 1
}
vol_plant_deleted "$small" 8 || exit 1
map_free_letter "$small" && S="$letter" && map_free_letter "$big" && B="$letter" || {
    echo "FAIL: no free drive letter"
    exit 1
}
echo "small volume on $S:, big volume on $B:, settings file $ini"

# 1. A command-line run that closes by itself.
rm -f "$ini"
start auto "/P:$S:" /A
finish "$started" 180
check "/P:$S: /A exits 0 (got $rc)" [ "$rc" = 0 ]
check "/P:$S: /A leaves no wipe file" no_wipe_files "$small"
check "/P:$S: /A writes the settings file with all four keys 0" \
    [ "$(ini_value m_boolWipeInBackground)$(ini_value m_boolWipeTwice)$(ini_value m_boolCheckForErrors)$(ini_value m_boolRandom)" = 0000 ]

# 2. A missing folder: refused, nothing runs, the window stays until closed.
rm -f "$ini"
start missing "/P:$S:\\no such folder" /R /A
if "$wine_run" "$probe" wait-window 60000 >"$scratch/probe.out" 2>&1; then
    # Three timer ticks: a wrongly started run would have closed the window.
    sleep 1.5
    check "/P:<missing> /A keeps the window open" kill -0 "$started"
    "$wine_run" "$probe" close >>"$scratch/probe.out" 2>&1
else
    fail "/P:<missing> /A shows no main window"
fi
finish "$started" 60
check "/P:<missing> /A exits 2 after being closed (got $rc)" [ "$rc" = 2 ]
check "/P:<missing> /A ran nothing" no_wipe_files "$small"
check "/P:<missing> /R ignores R (m_boolRandom $(ini_value m_boolRandom))" \
    [ "$(ini_value m_boolRandom)" = 0 ]

# 3. Settings from the command line are saved.
start random "/P:$S:" /R /A
finish "$started" 180
check "/P:$S: /R /A exits 0 (got $rc)" [ "$rc" = 0 ]
check "/P:$S: /R /A saves m_boolRandom=1 and the other three 0" \
    [ "$(ini_value m_boolWipeInBackground)$(ini_value m_boolWipeTwice)$(ini_value m_boolCheckForErrors)$(ini_value m_boolRandom)" = 0001 ]

# 4. A second instance during a run.
start first "/P:$B:" /A
first=$started
if wait_for_wipe_file "$big" "$first"; then
    kill -STOP "$first"
    start second
    finish "$started" 60
    check "a second instance during a run exits at once with 3 (got $rc)" [ "$rc" = 3 ]
    check "the run is still going after the second instance" compgen -G "$big/Tolvane*.WipeFile"
    kill -CONT "$first"
else
    fail "no wipe file appeared during the first run"
fi
finish "$first" 300
check "the first instance still ends normally with 0 (got $rc)" [ "$rc" = 0 ]
check "the first instance leaves no wipe file" no_wipe_files "$big"

# 5. WM_CLOSE during a run.
start closed "/P:$B:" /A
if wait_for_wipe_file "$big" "$started"; then
    kill -STOP "$started"
    "$wine_run" "$probe" close >"$scratch/probe.out" 2>&1
    probe_rc=$?
    kill -CONT "$started"
    check "WM_CLOSE reaches the main window during the run" [ "$probe_rc" = 0 ]
else
    fail "no wipe file appeared during the run to be closed"
fi
finish "$started" 300
check "WM_CLOSE during a run ends the process as cancelled, code 1 (got $rc)" [ "$rc" = 1 ]
check "WM_CLOSE during a run leaves no wipe file" no_wipe_files "$big"

# 6. Wipe files of a killed run fill the volume; the next run clears them.
before="$(vol_avail_bytes "$small")"
dd if=/dev/zero of="$small/Tolvane0.WipeFile" bs=1M count=$((before / 2097152)) 2>/dev/null
dd if=/dev/zero of="$small/TOLVANE1F.WIPEFILE" bs=1M 2>/dev/null
sync
check "the leftovers fill the volume ($(vol_avail_bytes "$small") bytes free)" \
    [ "$(vol_avail_bytes "$small")" -lt 1048576 ]
start leftovers "/P:$S:" /A
finish "$started" 180
check "a run after a killed one exits 0 (got $rc)" [ "$rc" = 0 ]
check "a run after a killed one leaves no wipe file" no_wipe_files "$small"
after="$(vol_avail_bytes "$small")"
check "the free space is back after the leftovers ($after of $before bytes)" [ "$after" = "$before" ]

# 7. NTFS keeps small files in their file records.
ntfs="$scratch/ntfs"
if vol_make_ntfs "$ntfs" 128; then
    mkdir -p "$ntfs/keep"
    head -c 300 /dev/urandom >"$ntfs/keep/small.bin"
    head -c 5000 /dev/urandom >"$ntfs/keep/medium.bin"
    head -c 1048576 /dev/urandom >"$ntfs/large.bin"
    (cd "$ntfs" && find . -type f -print0 | sort -z | xargs -0 sha256sum) >"$scratch/ntfs.before"
    vol_plant_small_files "$ntfs" NT 500 200
    map_free_letter "$ntfs" && N="$letter"
    start ntfs "/P:$N:" /A
    finish "$started" 600
    check "/P:$N: /A on NTFS exits 0 (got $rc)" [ "$rc" = 0 ]
    check "/P:$N: /A on NTFS leaves no wipe file" no_wipe_files "$ntfs"
    check "/P:$N: /A on NTFS leaves none of its record items" [ ! -e "$ntfs/Tolvane.WipeRecords" ]
    (cd "$ntfs" && find . -type f -print0 | sort -z | xargs -0 sha256sum) >"$scratch/ntfs.after"
    check "every other file on NTFS is as it was" cmp -s "$scratch/ntfs.before" "$scratch/ntfs.after"
    wineserver -w
    vol_release "$ntfs"
    read -r contents names <<<"$(vol_count_small_files "$ntfs.img" NT 500)"
    check "no deleted small file's contents left on NTFS ($contents of 500)" [ "$contents" = 0 ]
    # The names also sit in the index of the folder they were deleted from,
    # which is alive; neither a fill nor the file records reach that.
    echo "NOTE: names of deleted small files still in the live folder's index: $names of 500"
else
    fail "cannot make an NTFS volume (mkntfs and ntfs-3g, package ntfs-3g)"
fi

# 8. Folder names outside any single-byte code page. The Unix side hands
# Wine the command line in UTF-8; the program's manifest makes UTF-8 its
# code page, so the ANSI calls carry the name intact.
export LC_ALL=C.UTF-8
empty_folder() { [ -d "$1" ] && [ -z "$(ls -A "$1")" ]; }
for name in "Фото" "写真"; do
    vol="$scratch/script-$((++script_volumes))"
    if ! vol_make_ext4 "$vol" 32 give; then
        fail "cannot make the volume for $name"
        continue
    fi
    mkdir "$vol/$name"
    vol_plant_deleted "$vol/$name" 4 || exit 1
    map_free_letter "$vol" && L="$letter"
    start "script-$script_volumes" "/P:$L:\\$name" /A
    finish "$started" 180
    check "/P:\"$L:\\$name\" /A exits 0 (got $rc)" [ "$rc" = 0 ]
    check "/P:\"$L:\\$name\" /A leaves no wipe file" no_wipe_files "$vol/$name"
    check "the folder $name is still there with nothing in it" empty_folder "$vol/$name"
    wineserver -w
    vol_release "$vol"
    left="$(vol_count_pattern "$vol.img")"
    check "no planted deleted data survives under $name ($left bytes left)" [ "$left" = 0 ]
done
unset LC_ALL

# The planted deleted data on the small volume is gone.
wineserver -w
vol_release "$small"
left="$(vol_count_pattern "$small.img")"
check "no planted deleted data survives on $S: ($left bytes left)" [ "$left" = 0 ]

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
