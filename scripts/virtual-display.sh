# SPDX-License-Identifier: MIT
# Sourced by the scripts that run the real program without a display.
# start_program PROGRAM: starts a virtual X display and the program on it,
# and waits for its window. Sets $app (the program's pid), $xserver (the X
# server's) and $window (its X window id); both processes are ended when the
# calling script exits. XVFB_SCREEN sets the screen (default 1024x768x24).

"$(dirname "${BASH_SOURCE[0]}")/install-deps.sh" run

pids=()
runtime=
cleanup() {
    for p in "${pids[@]}"; do
        kill "$p" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    [[ -z $runtime ]] || rm -rf "$runtime"
}
trap cleanup EXIT

start_program() {
    # The first display number that no X server holds.
    local n=99
    while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do
        n=$((n + 1))
    done
    export DISPLAY=:$n
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb
    if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
        runtime=$(mktemp -d)
        export XDG_RUNTIME_DIR=$runtime
    fi

    Xvfb "$DISPLAY" -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
    xserver=$!
    pids+=("$xserver")
    for _ in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && break
        sleep 0.1
    done
    xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on $DISPLAY" >&2; exit 1; }

    "$1" &
    app=$!
    pids=("$app" "${pids[@]}")

    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Torvane ' | head -n 1)
    [[ -n $window ]] || { echo "the window did not appear" >&2; exit 1; }
    sleep 0.5
}
