#!/bin/bash
# When a prefix is made again: only one of ours (it has the stamp) that was
# made by another Wine installation; the volumes its drive letters point at
# are never touched. Needs no Wine server: the prefixes here are folders.
set -u
root="$(cd "$(dirname "$0")/../.." && pwd)"
. "$root/tools/wine-prefix.sh"
work="$(mktemp -d /tmp/tolvane-prefix-test.XXXXXX)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/volume" && echo kept >"$work/volume/file"
failures=0
# row: name, stamp text ("-" for none), expected answer, whether the prefix stays
check() {
    local name="$1" stamp="$2" answer="$3" stays="$4" prefix="$work/$1" got=0
    mkdir -p "$prefix/dosdevices" && ln -s "$work/volume" "$prefix/dosdevices/t:"
    [ "$stamp" = - ] || echo "$stamp" >"$prefix/.ready"
    wine_prefix_renew "$prefix" "$prefix/.ready" 2>/dev/null || got=1
    local left=no
    [ -d "$prefix" ] && left=yes
    if [ "$got" != "$answer" ] || [ "$left" != "$stays" ] || [ "$(cat "$work/volume/file")" != kept ]; then
        echo "FAIL [$name]: answer $got (want $answer), prefix left: $left (want $stays)"
        failures=$((failures + 1))
    fi
}
check current "$(wine_installation)" 0 yes
check before-wine32 "$(wine_installation | sed 's/wine32=[a-z]*/wine32=other/')" 1 no
check older-stamp "" 1 no
check not-ours - 1 yes
[ "$failures" = 0 ] && echo "4 passed, 0 failed"
exit $((failures > 0))
