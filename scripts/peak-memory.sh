#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures the real program's memory with a full table: runs it on a virtual
# X display, clicks 1100 times over the client area through the X server (the
# table takes 1000 balls; the rest are ignored), lets the pile run, and
# prints its resident memory every few seconds and its peak (VmHWM). The
# clicks alone take about two minutes.
# Usage: peak-memory.sh PROGRAM [SECONDS]   (default: 60 s of running pile)
set -euo pipefail

program=$1
seconds=${2:-60}

source "$(dirname "$0")/virtual-display.sh"
start_program "$program"

status() { grep -E "^$1:" "/proc/$app/status" | awk '{print $2}'; }
echo "resident at start: $(status VmRSS) kB"

# Points spread over the 605 x 366 client area, in pixels, none twice in a
# row, so that no two clicks make a double-click.
for k in $(seq 0 1099); do
    printf 'mousemove --window %s %d %d click 1\n' "$window" $((1 + k * 37 % 603)) $((1 + k * 11 % 364))
done | xdotool -
echo "resident after 1100 clicks: $(status VmRSS) kB"

for ((t = 5; t <= seconds; t += 5)); do
    sleep 5
    echo "resident after $t s: $(status VmRSS) kB"
done
echo "peak resident (VmHWM): $(status VmHWM) kB"
kill "$app"
wait "$app" 2>/dev/null || true
