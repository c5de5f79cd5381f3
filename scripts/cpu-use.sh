#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures how much of one core the running program and the X server take:
# starts the program on a virtual X display, gives its window the size asked
# for (the program has no command line of its own, so it is resized from
# outside, as a window manager would), presses the mouse CLICKS times over
# its client area (1000 fill the table), waits until the anchor ball can have
# reached the floor, then reads the user plus system time of both processes
# from /proc over SECONDS, REPEATS times. A Windows program (PROGRAM.exe)
# runs under wine, whose server does part of a window system's work: its
# share is given too.
# Usage: cpu-use.sh [-s WIDTHxHEIGHT] PROGRAM [CLICKS] [SECONDS] [REPEATS]
#        (defaults: the start-up size 605x366, 0 clicks, 15 s, 3 repeats)
set -euo pipefail

size=
while getopts s: opt; do
    case $opt in
    s) size=$OPTARG ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
program=$1
clicks=${2:-0}
seconds=${3:-15}
repeats=${4:-3}

width=605
height=366
if [[ -n $size ]]; then
    [[ $size =~ ^([0-9]+)x([0-9]+)$ ]] || { echo "size must be WIDTHxHEIGHT: $size" >&2; exit 2; }
    width=${BASH_REMATCH[1]}
    height=${BASH_REMATCH[2]}
    ((width >= 32 && height >= 32)) || { echo "size too small: $size" >&2; exit 2; }
fi
# A screen that holds the whole window, so that the X server draws all of it.
XVFB_SCREEN="$((width > 1024 ? width : 1024))x$((height > 768 ? height : 768))x24"
export XVFB_SCREEN

source "$(dirname "$0")/virtual-display.sh"
start_program "$program"

if [[ -n $size ]]; then
    xdotool windowmove --sync "$window" 0 0 windowsize --sync "$window" "$width" "$height"
    sleep 1
    got=$(xdotool getwindowgeometry "$window" | awk '/Geometry:/ { print $2 }')
    [[ $got == "${width}x${height}" ]] || { echo "window is $got, not ${width}x${height}" >&2; exit 1; }
fi

# Presses spread evenly over the client area (pixels), 8 pixels clear of
# its edges, a few hundred to one xdotool call. At the start-up size these
# are the points the earlier measurements used.
batch=()
for ((k = 0; k < clicks; k++)); do
    batch+=(mousemove --window "$window" $(((k * 389 + 17) % (width - 15) + 8))
        $(((k * 211 + 5) % (height - 16) + 8)) click --delay 1 1)
    if ((${#batch[@]} >= 600)); then
        xdotool "${batch[@]}"
        batch=()
    fi
done
((${#batch[@]} == 0)) || xdotool "${batch[@]}"
# The anchor falls 3 pixels a tick, 64 ticks a second, from the top edge.
sleep $((3 + height / 192))

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Wine's server for this prefix, found by the prefix in its environment.
server=
if [[ $program == *.exe ]]; then
    for p in $(pgrep -x wineserver64; pgrep -x wineserver); do
        if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            server=$p
        fi
    done
    [[ -n $server ]] || { echo "no wineserver for $WINEPREFIX" >&2; exit 1; }
fi
hz=$(getconf CLK_TCK)
for ((r = 1; r <= repeats; r++)); do
    app_before=$(cpu_ticks "$app")
    x_before=$(cpu_ticks "$xserver")
    server_before=$([[ -z $server ]] || cpu_ticks "$server")
    start=$(date +%s.%N)
    sleep "$seconds"
    app_after=$(cpu_ticks "$app")
    x_after=$(cpu_ticks "$xserver")
    server_after=$([[ -z $server ]] || cpu_ticks "$server")
    end=$(date +%s.%N)
    awk -v a=$((app_after - app_before)) -v x=$((x_after - x_before)) -v hz="$hz" -v s="$start" \
        -v e="$end" -v c="$clicks" -v r="$r" -v w="$width" -v h="$height" \
        -v ws="${server:+$((server_after - server_before))}" \
        'BEGIN { printf "%dx%d, %d presses, run %d: program %.1f%%, X server %.1f%%", w, h, c, r,
                 100 * a / hz / (e - s), 100 * x / hz / (e - s)
                 if (ws != "") printf ", wineserver %.1f%%", 100 * ws / hz / (e - s)
                 printf " of one core\n" }'
done
