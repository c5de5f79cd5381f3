#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows program as a user sees it, under wine on a virtual X display:
# its file (static, system DLLs only, ASLR and DEP), its caption and client
# size, the anchor's fall at 64 ticks a second, presses of every button and
# a double-click each adding a ball, the settled pile against the frame
# Form1 draws on a fake window system (settled_frame), no processor time at
# rest, closing with status 0, and a warm start's time; the pile moving on
# while Windows runs its move, size and system-menu loops; then the same
# pile on a screen of 192 dpi, drawn in its device pixels at ratio 2.
# Usage: windows-check.sh EXE SETTLED_FRAME ZIP SHOW_WINDOW
#        (build/windows/app/win32/torvane.exe, settled_frame of a native
#        build, the .zip made with the .exe, and show_window.exe of the
#        preset windows-test)
set -euo pipefail
usage="usage: windows-check.sh EXE SETTLED_FRAME ZIP SHOW_WINDOW"
exe=$(realpath "${1:?$usage}")
oracle=$(realpath "${2:?$usage}")
zip=$(realpath "${3:?$usage}")
show_window=$(realpath "${4:?$usage}")
here=$(cd "$(dirname "$0")" && pwd)
tool=("$here/frame-tool.py")
fail() {
    echo "windows-check: $*" >&2
    exit 1
}
say() { echo "windows-check: $*"; }

# The file: under 1.5 MB, importing only DLLs that every Windows 10 has,
# with ASLR (high entropy too) and DEP: DllCharacteristics 0x160.
size=$(stat -c %s "$exe")
((size < 1536 * 1024)) || fail "torvane.exe is $size bytes, over 1.5 MB"
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
dlls=$(awk '/DLL Name:/ { print toupper($3) }' <<<"$headers" | sort | paste -sd " ")
[[ $dlls == "GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL" ]] ||
    fail "torvane.exe imports $dlls, not only GDI32, KERNEL32, msvcrt and USER32"
flags=$(awk '/^DllCharacteristics/ { print $2 }' <<<"$headers")
(((0x$flags & 0x160) == 0x160)) || fail "DllCharacteristics $flags lacks ASLR, high-entropy ASLR or DEP"
grep -q 'Time/Date.*1970' <<<"$headers" || fail "torvane.exe carries a link time"
say "torvane.exe: $size bytes, imports $dlls, DllCharacteristics $flags, no link time"

# Its resources, as windres reads them back: one icon image for every PNG
# size in app/icons and their group, version information of the project's
# version, and the manifest asking for per-monitor DPI awareness v2.
resources=$(x86_64-w64-mingw32-windres -i "$exe" -O rc)
sizes=$(find "$here/../app/icons/hicolor" -name '*.png' | wc -l)
images=$(awk '/^\/\* Type: icon/ { on = 1 } /^\/\* Type: group icon/ { on = 0 } on && /Name: [0-9]+\./ { n++ } END { print n + 0 }' <<<"$resources")
((images == sizes)) || fail "torvane.exe holds $images icon images, app/icons $sizes sizes"
grep -q '^/\* Type: group icon' <<<"$resources" || fail "torvane.exe has no icon group"
# The project's version (CMake's), as the archive is named after it.
version=$(basename "$zip" -windows-x86_64.zip)
version=${version#torvane-}
grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$resources" ||
    fail "torvane.exe's version information does not say $version"
grep -q 'PerMonitorV2' <<<"$resources" || fail "torvane.exe's manifest asks for no per-monitor DPI awareness v2"
say "resources: $images icon sizes, version $version, per-monitor DPI aware (v2)"

work=$(mktemp -d "${TMPDIR:-/tmp}/torvane-windows.XXXXXX")

# The archive: one folder named after it holding the program (the same
# bytes), the licence and the read-me, the text with Windows line ends.
folder=$(basename "$zip" .zip)
members=$(unzip -Z1 "$zip" | paste -sd " ")
[[ $members == "$folder/LICENSE.txt $folder/README.txt $folder/torvane.exe" ]] ||
    fail "$(basename "$zip") holds $members"
unzip -p "$zip" "$folder/torvane.exe" | cmp -s - "$exe" || fail "the .zip's torvane.exe is not $exe"
for text in LICENSE.txt README.txt; do
    unzip -p "$zip" "$folder/$text" >"$work/$text"
    lines=$(wc -l <"$work/$text")
    crlf=$(grep -c $'\r$' "$work/$text" || true)
    ((lines > 0 && crlf == lines)) || fail "$text in the .zip: $crlf of $lines lines end in CRLF"
done
say "$(basename "$zip"): $members; the text with CRLF line ends"

source "$here/virtual-display.sh"
source "$here/wine-env.sh"
# The prefix is made before the clock starts: the start is a warm one.
wine_prefix
trap 'cleanup; rm -rf "$work"' EXIT

now() { date +%s.%N; }
# Screenshot of the client area as PPM, and the moment it was taken (the
# middle of the call).
shot() {
    local before
    before=$(now)
    import -window "$window" -depth 8 "ppm:$1"
    awk -v a="$before" -v b="$(now)" 'BEGIN { printf "%.3f\n", (a + b) / 2 }'
}
# Starts the program and waits for its window; $startup is the seconds
# that took.
launch() {
    local started
    started=$(now)
    "$wine" "$exe" &
    app=$!
    pids=("$app" "${pids[@]}")
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Torvane ' | head -n 1)
    [[ -n $window ]] || fail "the window did not appear"
    startup=$(awk -v a="$started" -v b="$(now)" 'BEGIN { printf "%.2f\n", b - a }')
}
# Closes the window as a user does (Alt+F4 over it) and checks that the
# program ends, with status 0.
close() {
    xdotool key --window "$window" alt+F4 2>/dev/null
    local status=0 state
    for ((k = 0; ; k++)); do
        state=$(awk '{ print $3 }' "/proc/$app/stat" 2>/dev/null || echo gone)
        [[ $state == Z || $state == gone ]] && break
        ((k < 100)) || fail "the program did not end on Alt+F4"
        sleep 0.1
    done
    wait "$app" || status=$?
    ((status == 0)) || fail "the program ended with status $status"
}

# Room for the window at two device pixels a pixel (below).
export XVFB_SCREEN=1600x1000x24
start_display
# A first start makes wine's services for the prefix; the second start is
# the warm one a user sees each time.
launch
close
say "closed with Alt+F4: status 0"
launch
awk -v s="$startup" 'BEGIN { exit !(s <= 3) }' || fail "the window took $startup s to appear (warm start), over 3 s"
say "window shown ${startup} s after a warm start"

# The anchor falls 45 twips (3 pixels) a tick from the top edge: 192 pixels
# a second at 64 ticks a second. Two shots half a second or more apart,
# before it reaches the floor (about 1.9 s after the start): first thing.
t1=$(shot "$work/fall1.ppm")
sleep 0.6
t2=$(shot "$work/fall2.ppm")
dot1=$("${tool[@]}" dot "$work/fall1.ppm")
dot2=$("${tool[@]}" dot "$work/fall2.ppm")
read -r x1 y1 <<<"$dot1"
read -r _ y2 <<<"$dot2"
speed=$(awk -v a="$y1" -v b="$y2" -v s="$t1" -v e="$t2" 'BEGIN { printf "%.0f\n", (b - a) / (e - s) }')
say "the anchor at x $x1: y $y1 then $y2, $(awk -v s="$t1" -v e="$t2" 'BEGIN { print e - s }') s apart: $speed pixels a second"
awk -v y="$y2" 'BEGIN { exit !(y < 340) }' || fail "the anchor reached the floor before the second shot; no speed measured"
# Loose, so that a loaded machine's late shots and ticks pass: the exact
# cadence, 64 ticks a second on the clock's boundaries, is pinned on a fake
# clock (TimerCadence.SixtyFourEventsASecondOnTheClockBoundaries); this
# catches a timer twice or half as fast.
((speed >= 115 && speed <= 240)) || fail "the anchor falls $speed pixels a second, not 115 to 240"

# Caption and client area.
caption=$(xprop -id "$window" WM_NAME | sed -n 's/^WM_NAME([A-Z_0-9]*) = "\(.*\)"$/\1/p')
[[ $caption == "$("$oracle" --caption)" ]] || fail "caption is '$caption', not Form1's"
geometry=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[[ $geometry == 605x366 ]] || fail "client area is $geometry, not 605x366"
say "caption '$caption', client area $geometry"

# Presses, each away from the others and from the anchor's column, so
# that no two balls touch and the pile they settle into does not depend on
# when each press came: buttons 1, 2, 3 and an extra button (8).
presses=(245,60 380,60 470,60 560,60)
press_all() {
    local k=0 button
    for button in 1 2 3 8; do
        xdotool mousemove --window "$window" "${presses[k]%,*}" "${presses[k]#*,}" click "$button"
        k=$((k + 1))
    done
}
# Waits until two shots a second apart are the same, right of column $1;
# the last shot is $work/settled.ppm.
settle() {
    shot "$work/settled.ppm" >/dev/null
    for ((k = 0; ; k++)); do
        ((k < 30)) || fail "the pile did not settle within 30 s"
        sleep 1
        shot "$work/next.ppm" >/dev/null
        "${tool[@]}" compare "$work/settled.ppm" "$work/next.ppm" "$1" >/dev/null && break
        mv "$work/next.ppm" "$work/settled.ppm"
    done
    say "settled within $((k + 1)) s"
}
# Compares the settled shot, right of column $1, with settled_frame's frame
# for the presses that follow (device-independent pixels), drawn on the
# background the window shows.
compare_oracle() {
    local x_min=$1 differ
    shift
    background=$("${tool[@]}" pixel "$work/settled.ppm" 0 0)
    "$oracle" --background "$background" "$@" >"$work/oracle.ppm" 2>"$work/oracle.log" ||
        fail "settled_frame failed: $(cat "$work/oracle.log")"
    if ! differ=$("${tool[@]}" compare "$work/settled.ppm" "$work/oracle.ppm" "$x_min"); then
        mkdir -p build
        cp "$work/settled.ppm" build/windows-settled.ppm
        cp "$work/oracle.ppm" build/windows-oracle.ppm
        fail "the pile differs from settled_frame's in $differ pixels (build/windows-settled.ppm, build/windows-oracle.ppm)"
    fi
}

press_all
settle 0
# No processor time at rest: the program's user and system time over 3 s.
# One clock tick (10 ms) is let pass for wine's own housekeeping on a
# loaded machine: that the timer stops and no wake-up is left asked for at
# rest is pinned on a fake clock (RestTest.TheAnchorRestsOnTheTickAfter-
# ItReachesTheFloor), and a timer left running takes several ticks here.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
before=$(cpu_ticks "$app")
sleep 3
used=$(($(cpu_ticks "$app") - before))
((used <= 1)) || fail "the program used $used clock ticks in 3 s at rest"
say "at rest: $used clock ticks of processor time in 3 s"
compare_oracle 0 "${presses[@]}"
say "buttons 1, 2, 3 and 8: the settled pile is settled_frame's, pixel for pixel (background $background; $(cat "$work/oracle.log"))"
# Resized from outside, as a window manager would: the balls sink to the new
# floor, where settled_frame at that size puts them.
xdotool windowsize --sync "$window" 700 420
geometry=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[[ $geometry == 700x420 ]] || fail "resized to 700x420, the client area is $geometry"
settle 0
compare_oracle 0 --size 700x420 "${presses[@]}"
say "resized to 700 x 420: the pile on the new floor is settled_frame's at that size"
close
say "closed with Alt+F4: status 0"

# A double-click's second press adds a ball too. Made first, at the left
# edge, so that each later press's ball takes other random values, size and
# colour, should it be lost. Where the two balls of one point settle (and
# whether they ever rest) depends on the ticks between the presses, so the
# columns they can reach, left of 190, are not compared.
launch
xdotool mousemove --window "$window" 45 60 click --repeat 2 --delay 40 1
press_all
settle 190
# settled_frame ticks as long as the other balls take to settle (about 125
# ticks), and more: the pair may never rest.
compare_oracle 190 --ticks 600 45,60 45,60 "${presses[@]}"
"$oracle" --background "$background" --ticks 600 45,60 "${presses[@]}" >"$work/one.ppm" 2>/dev/null
! "${tool[@]}" compare "$work/settled.ppm" "$work/one.ppm" 190 >/dev/null ||
    fail "a lost second press of the double-click would not be seen"
say "a double-click added two balls: the later ones are settled_frame's, pixel for pixel"

# Timer events only while the window can be seen. A full table (1000
# presses) never rests, so the program keeps ticking: minimised or hidden
# it takes no time at all, restored or shown it ticks again. show_window
# does what the taskbar would: no window manager minimises windows here.
batch=()
for ((k = 0; k < 1000; k++)); do
    batch+=(mousemove --window "$window" $(((k * 389 + 17) % 590 + 8)) $(((k * 211 + 5) % 350 + 8))
        click --delay 1 1)
    if ((${#batch[@]} >= 600)); then
        xdotool "${batch[@]}"
        batch=()
    fi
done
xdotool "${batch[@]}"
sleep 2
# Clock ticks the program used in 2 s.
busy() {
    local before
    before=$(cpu_ticks "$app")
    sleep 2
    echo $(($(cpu_ticks "$app") - before))
}
steps=
for step in visible minimise restore hide show; do
    [[ $step == visible ]] || { "$wine" "$show_window" "$step" && sleep 0.5; } || fail "show_window $step failed"
    used=$(busy)
    case $step in
    minimise | hide) ((used == 0)) || fail "$step: the program used $used clock ticks in 2 s" ;;
    *) ((used > 0)) || fail "$step: a full table, and no time used: the timer did not run" ;;
    esac
    steps+="${steps:+, }$step $used"
done
say "a full table, clock ticks used in 2 s: $steps"
close
say "closed with Alt+F4: status 0"

# The modal loops Windows runs for the window while a user drags its caption
# or a border, or has its system menu open: the pile moves on through each
# at 64 ticks a second, and Escape ends each (twice for the menu opened from
# the keyboard: once for the menu, once for the menu mode). show_window posts
# the window's own system command (WM_SYSCOMMAND: SC_MOVE, SC_SIZE,
# SC_KEYMENU) and returns once the window's thread runs the loop; the window
# is made tall first, so that the anchor is still falling then. The anchor
# is found in a strip of columns around it, clear of the menu.
anchor_y() {
    convert "$1" -crop 80x800+262+0 +repage "$1.strip.ppm"
    "${tool[@]}" dot "$1.strip.ppm" | awk '{ print $2 }'
}
loops=
for loop in move size menu; do
    launch
    xdotool windowsize --sync "$window" 605 800
    "$wine" "$show_window" "$loop" || fail "show_window $loop: Windows ran no $loop loop"
    t1=$(shot "$work/$loop-1.ppm")
    sleep 0.6
    t2=$(shot "$work/$loop-2.ppm")
    y1=$(anchor_y "$work/$loop-1.ppm")
    y2=$(anchor_y "$work/$loop-2.ppm")
    awk -v y="$y2" 'BEGIN { exit !(y < 790) }' || fail "$loop loop: the anchor reached the floor before the second shot"
    speed=$(awk -v a="$y1" -v b="$y2" -v s="$t1" -v e="$t2" 'BEGIN { printf "%.0f\n", (b - a) / (e - s) }')
    ((speed >= 150 && speed <= 240)) ||
        fail "in the $loop loop the anchor falls $speed pixels a second (y $y1 then $y2), not 150 to 240"
    xdotool key --window "$window" Escape
    [[ $loop != menu ]] || xdotool key --window "$window" Escape
    "$wine" "$show_window" idle || fail "Escape did not end the $loop loop"
    loops+="${loops:+, }$loop $speed"
    close
done
say "the anchor's fall while Windows runs a modal loop, pixels a second: $loops; Escape ended each"

# A frame that memory cannot hold shows the background, not the frame the
# window had, and the program runs on: frame_memory (beside show_window) is
# the program's window with the frame's allocation refused for a while.
"$wine" "$(dirname "$show_window")/frame_memory.exe" || fail "frame_memory failed"
say "a frame memory cannot hold: the background, and the rings again once one fits"

# A high-density screen: wine at 192 dpi (the LogPixels setting of a copy of
# the prefix). The program is aware of each monitor's DPI (its manifest), so
# it gets device pixels: a client area of 1210 x 732, presses in device
# pixels taken as half as many device-independent ones, and rings drawn at
# ratio 2, as settled_frame draws them at that ratio.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w
dense=$WINEPREFIX-192dpi
if ! grep -qs '^"LogPixels"=dword:000000c0' "$dense/user.reg"; then
    rm -rf "$dense"
    cp -a "$WINEPREFIX" "$dense"
    (
        export WINEPREFIX=$dense
        unset DISPLAY
        "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null
        "$wineserver" -w
    )
fi
export WINEPREFIX=$dense
launch
geometry=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[[ $geometry == 1210x732 ]] || fail "at 192 dpi the client area is $geometry device pixels, not 1210x732"
k=0
for button in 1 2 3 8; do
    xdotool mousemove --window "$window" $((2 * ${presses[k]%,*})) $((2 * ${presses[k]#*,})) click "$button"
    k=$((k + 1))
done
settle 0
compare_oracle 0 --ratio 2 "${presses[@]}"
say "at 192 dpi: client area $geometry device pixels, the settled pile settled_frame's at ratio 2, pixel for pixel"
close
say "closed with Alt+F4: status 0"
