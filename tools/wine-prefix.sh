# Sourced by the scripts that make Wine prefixes. A prefix belongs to the Wine
# installation that made it: one made before wine32 was installed cannot start
# any program afterwards, 64-bit ones included ("could not load kernel32.dll,
# status c0000135"), and one made by another Wine version may not either. So
# each prefix's ready-stamp holds the installation it was made by, and a
# prefix whose stamp names another one (or nothing, as older stamps do) is
# made anew.

# The installation, in one line: Wine's version and whether 32-bit Wine is there.
wine_installation() {
    local loader=/usr/lib/wine/wine64
    [ -x "$loader" ] || loader=wine
    echo "$(WINEDEBUG=-all "$loader" --version 2>/dev/null) wine32=$([ -x /usr/lib/wine/wine ] && echo yes || echo no)"
}

# wine_prefix_renew PREFIX STAMP: when STAMP (a file in PREFIX) names another
# installation, ends the prefix's server and removes the prefix (drive letters
# in it are links: the volumes behind them are not touched). A prefix without
# the stamp is not one of ours, or not ready: it is left for wineboot. Call it
# under the prefix's lock. Returns 0 when the prefix is ready and current, 1
# when it must be made (again).
wine_prefix_renew() {
    local prefix="$1" stamp="$2"
    [ -f "$stamp" ] || return 1
    [ "$(cat "$stamp")" = "$(wine_installation)" ] && return 0
    if [ -d "$prefix" ]; then
        echo "wine prefix $prefix was made by another Wine installation: making it again" >&2
        WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
        WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
        rm -rf "$prefix"
    fi
    return 1
}

# wine_prefix_stamp STAMP: records that the prefix is ready for this installation.
wine_prefix_stamp() {
    wine_installation >"$1"
}
