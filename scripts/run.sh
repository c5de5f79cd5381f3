#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
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

source "$(dirname "$0")/virtual-display.sh"
start_program "$program"

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
