#!/usr/bin/env bash
# Starts the program. With a display it simply runs. Without one it runs the
# real program on a virtual X display, clicks a dozen balls into it through
# the X server, lets the pile settle for a few seconds, saves a screenshot of
# the window and closes it.
# Usage: run.sh PROGRAM [SCREENSHOT]   (default screenshot: build/demo.png)
set -euo pipefail

program=$1
shot=${2:-build/demo.png}

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$program"
fi

"$(dirname "$0")/install-deps.sh" run

# The first display number that no X server holds.
n=99
while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do
    n=$((n + 1))
done
export DISPLAY=:$n
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
runtime=
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
    runtime=$(mktemp -d)
    export XDG_RUNTIME_DIR=$runtime
fi

pids=()
cleanup() {
    for p in "${pids[@]}"; do
        kill "$p" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    [[ -z $runtime ]] || rm -rf "$runtime"
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on $DISPLAY" >&2; exit 1; }

"$program" &
app=$!
pids=("$app" "${pids[@]}")

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Torvane ' | head -n 1)
[[ -n $window ]] || { echo "the window did not appear" >&2; exit 1; }
sleep 0.5

# Points scattered over the middle of the 605 x 366 client area, in pixels,
# so that the balls heap up, and the button pressed at each (1 left,
# 2 middle, 3 right): every press adds a ball.
clicks=(
    "300 40 1" "250 120 1" "350 80 3" "210 200 1" "390 150 2" "280 260 1"
    "330 20 1" "240 60 3" "370 230 1" "310 160 1" "200 110 2" "410 50 1"
)
for c in "${clicks[@]}"; do
    read -r x y b <<<"$c"
    xdotool mousemove --window "$window" "$x" "$y" click "$b"
    sleep 0.2
done
sleep 4

mkdir -p "$(dirname "$shot")"
import -window "$window" "$shot"
kill "$app"
wait "$app" 2>/dev/null || true
echo "Screenshot of the pile: $(realpath "$shot")"
