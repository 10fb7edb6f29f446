#!/bin/bash
# Tolvane.exe where no window can be made (a Wine prefix whose graphics
# driver does not exist, as a service or a session without a desktop is on
# Windows): with a command-line target and without one it exits 1 at once,
# and writes nothing: no wipe file on the target, no settings file, not even
# its folder.
#
# Usage: no-window.sh TOLVANE_EXE SOURCE_ROOT PREFIX
# PREFIX is made on the first run (about 10 s) and kept for the next ones.
set -u
exe="$1"
root="$2"
prefix="$3"
export TOLVANE_WINEPREFIX="$prefix"
export WINEPREFIX="$prefix"
wine_run="$root/tools/wine-run"
"$root/tools/can-run-pe" "$exe" || exit 77
passed=0
failed=0
check() { # check DESCRIPTION COMMAND...
    local what="$1"
    shift
    if "$@"; then
        echo "PASS: $what"
        passed=$((passed + 1))
    else
        echo "FAIL: $what"
        failed=$((failed + 1))
    fi
}

if [ ! -f "$prefix/.tolvane-no-driver" ]; then
    "$wine_run" cmd /c exit >/dev/null 2>&1 # makes the prefix
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d no-such-driver /f >/dev/null 2>&1
    # The driver is read when the prefix's server starts.
    wineserver -k
    wineserver -w
    touch "$prefix/.tolvane-no-driver"
fi

target="$(mktemp -d "${TMPDIR:-/tmp}/tolvane-nowindow.XXXXXX")"
letter="$prefix/dosdevices/x:"
rm -f "$letter"
ln -s "$target" "$letter"
data="$prefix/drive_c/users/$(id -un)/AppData/Roaming/Orbelin software"
cleanup() {
    rm -f "$letter"
    rm -rf "$target"
}
trap cleanup EXIT
rm -rf "$data"

for args in "/P:X: /A" ""; do
    start=$(date +%s%N)
    # shellcheck disable=SC2086
    "$wine_run" "$exe" $args >"$target.out" 2>&1
    rc=$?
    ms=$((($(date +%s%N) - start) / 1000000))
    rm -f "$target.out"
    check "'Tolvane.exe $args' without a window exits 1 (got $rc, after $ms ms)" [ "$rc" = 1 ]
    check "'Tolvane.exe $args' without a window writes nothing on X:" \
        [ -z "$(ls -A "$target")" ]
    check "'Tolvane.exe $args' without a window writes no settings file or its folder" \
        [ ! -e "$data" ]
done

# The same prefix, named relative to the folder the run starts in.
(cd "$(dirname "$prefix")" && TOLVANE_WINEPREFIX="$(basename "$prefix")" "$wine_run" cmd /c exit) \
    >/dev/null 2>&1
rc=$?
check "a prefix named by a relative path runs a program and stays whole (got $rc)" \
    [ "$rc" = 0 -a -d "$prefix/drive_c" ]

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
