# SPDX-License-Identifier: MIT
# Sourced by the scripts that run the real program without a display.
# start_program PROGRAM: starts a virtual X display and the program on it,
# and waits for its window. Sets $app (the program's pid), $xserver (the X
# server's) and $window (its X window id); both processes are ended when the
# calling script exits. XVFB_SCREEN sets the screen (default 1024x768x24).
# A Windows program (PROGRAM.exe) runs under wine (scripts/wine-env.sh);
# wine's own processes are ended with it. start_display starts the display
# alone.

"$(dirname "${BASH_SOURCE[0]}")/install-deps.sh" run

pids=()
runtime=
wineserver=
cleanup() {
    # Wine's processes first, while their display is still there.
    [[ -z $wineserver ]] || "$wineserver" -k 2>/dev/null || true
    for p in "${pids[@]}"; do
        kill "$p" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    [[ -z $runtime ]] || rm -rf "$runtime"
}
trap cleanup EXIT

start_display() {
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb
    if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
        runtime=$(mktemp -d)
        export XDG_RUNTIME_DIR=$runtime
    fi

    # Xvfb picks a free display itself and writes its number once it takes
    # connections: two scripts started at the same moment cannot race for
    # one display, and a loaded machine only makes the wait longer.
    local number
    number=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    xserver=$!
    pids+=("$xserver")
    for _ in $(seq 300); do
        [[ -s $number ]] && break
        kill -0 "$xserver" 2>/dev/null || break
        sleep 0.1
    done
    export DISPLAY=:$(tr -dc 0-9 <"$number")
    rm -f "$number"
    [[ $DISPLAY != : ]] && xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start" >&2; exit 1; }
}

start_program() {
    start_display
    if [[ $1 == *.exe ]]; then
        source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
        wine_prefix
        # wine runs the program in its own process: $app is the program.
        "$wine" "$1" &
    else
        "$1" &
    fi
    app=$!
    pids=("$app" "${pids[@]}")

    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Torvane ' | head -n 1)
    [[ -n $window ]] || { echo "the window did not appear" >&2; exit 1; }
    sleep 0.5
}
