#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures how much of one core the running program takes: starts it on a
# virtual X display, presses the mouse CLICKS times over its client area
# (1000 fill the table), lets the pile settle, then reads the program's user
# plus system time from /proc over SECONDS, REPEATS times.
# Usage: cpu-use.sh PROGRAM [CLICKS] [SECONDS] [REPEATS]   (default 0 15 3)
set -euo pipefail

program=$1
clicks=${2:-0}
seconds=${3:-15}
repeats=${4:-3}

source "$(dirname "$0")/virtual-display.sh"
start_program "$program"

# Presses spread evenly over the 605 x 366 client area (pixels), a few
# hundred to one xdotool call.
batch=()
for ((k = 0; k < clicks; k++)); do
    batch+=(mousemove --window "$window" $(((k * 389 + 17) % 590 + 8)) $(((k * 211 + 5) % 350 + 8))
        click --delay 1 1)
    if ((${#batch[@]} >= 600)); then
        xdotool "${batch[@]}"
        batch=()
    fi
done
((${#batch[@]} == 0)) || xdotool "${batch[@]}"
sleep 3

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
for ((r = 1; r <= repeats; r++)); do
    before=$(cpu_ticks "$app")
    start=$(date +%s.%N)
    sleep "$seconds"
    after=$(cpu_ticks "$app")
    end=$(date +%s.%N)
    awk -v t=$((after - before)) -v hz="$hz" -v s="$start" -v e="$end" -v c="$clicks" -v r="$r" \
        'BEGIN { printf "%d presses, run %d: %.1f%% of one core\n", c, r, 100 * t / hz / (e - s) }'
done
