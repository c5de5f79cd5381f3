# SPDX-License-Identifier: MIT
# Sourced by the scripts that run Windows programs under wine.
# wine_prefix [DIR]: sets $wine and $wineserver, and exports WINEPREFIX (DIR,
# default build/mingw/prefix, the one the test preset windows-test uses), WINEDEBUG
# and WINEDLLOVERRIDES. A missing prefix is made first, with no display
# (about 15 s): wineboot then opens no window, and the overrides keep it
# from offering to install Mono and Gecko.
wine_prefix() {
    wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
    wineserver=$(dirname "$wine")/wineserver
    [[ -x $wineserver ]] || wineserver=$(command -v wineserver)
    local dir=${1:-$(dirname "${BASH_SOURCE[0]}")/../build/mingw/prefix}
    WINEPREFIX=$(realpath -m "$dir")
    export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    [[ -f $WINEPREFIX/system.reg ]] && return 0
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    if ! (
        unset DISPLAY WAYLAND_DISPLAY
        timeout 300 "$wine" wineboot --init && "$wineserver" -w
    ) >"$WINEPREFIX.log" 2>&1; then
        "$wineserver" -k 2>/dev/null || true
        echo "wineboot failed; see $WINEPREFIX.log" >&2
        return 1
    fi
}
