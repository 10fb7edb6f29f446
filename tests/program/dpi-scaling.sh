#!/bin/bash
# The main window's own drawing at another DPI than 96 (Dpi_test.cpp): the
# test program records its figures in the build's prefix (96 DPI) and then
# compares them in a prefix of its own set to 144 DPI.
#
# Usage: dpi-scaling.sh TEST_EXE SOURCE_ROOT PREFIX_96 PREFIX_144
# PREFIX_144 is made on the first run (about 10 s) and kept.
set -u
exe="$1"
root="$2"
prefix96="$3"
prefix144="$4"
wine_run="$root/tools/wine-run"
"$root/tools/can-run-pe" "$exe" || exit 77

if [ ! -f "$prefix144/.tolvane-dpi-144" ]; then
    TOLVANE_WINEPREFIX="$prefix144" "$wine_run" cmd /c exit >/dev/null 2>&1
    WINEPREFIX="$prefix144" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
        /t REG_DWORD /d 144 /f >/dev/null 2>&1
    # The DPI is read when the prefix's server starts: restart this one's.
    WINEPREFIX="$prefix144" wineserver -k
    WINEPREFIX="$prefix144" wineserver -w
    touch "$prefix144/.tolvane-dpi-144"
fi

record="$(mktemp "$(dirname "$exe")/dpi-96.XXXXXX")"
trap 'rm -f "$record"' EXIT
# Wine reads the file through its Z: drive.
win_record="Z:${record//\//\\}"
TOLVANE_WINEPREFIX="$prefix96" TOLVANE_DPI_RECORD="$win_record" "$wine_run" "$exe" || exit 1
TOLVANE_WINEPREFIX="$prefix144" TOLVANE_DPI_BASELINE="$win_record" "$wine_run" "$exe"
