#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The pinned scene's hash (tests/sim/scene.h) on other maths libraries and
# processors: the determinism test again on glibc's SSE2 versions of atan,
# sin and cos; the simulation built for Windows with mingw-w64 and run under
# wine; the simulation, the draw library and its tests built for aarch64 and
# run under qemu, where the pinned frames (tests/ui/frame_scene.h) must come
# out as the x86-64 build draws them, and the window's tests (Form1 on a fake
# window system) pass.
# Usage: scripts/determinism-check.sh BUILD_DIR   (a release build with
# test_sim, scene_hash and frame_hash)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/determinism-check.sh BUILD_DIR}
sse2=glibc.cpu.hwcaps=-AVX2,-FMA
fail() {
    echo "determinism: $*" >&2
    exit 1
}

native=$("$build/tests/scene_hash")
echo "determinism: x86-64, glibc's maths for this processor: $native"

# glibc picks its FMA versions on processors that have FMA and AVX2; the
# tunable takes them away. Where the processor has neither, both runs get
# the SSE2 versions and the second run shows nothing new.
if [[ $("$build/tests/scene_hash" --maths) == $(GLIBC_TUNABLES=$sse2 "$build/tests/scene_hash" --maths) ]]; then
    echo "determinism: note: GLIBC_TUNABLES=$sse2 changes no maths result on this processor"
fi
GLIBC_TUNABLES=$sse2 "$build/tests/test_sim" --gtest_filter='Determinism.*' --gtest_brief=1
echo "determinism: x86-64, glibc's SSE2 maths: the pinned hash"

frames=$("$build/tests/ui/frame_hash") || fail "x86-64 frames are not the pinned ones: $frames"

# The same compile flags as the root CMakeLists.txt gives every target, and
# its Release optimisation: without -ffp-contract=off the aarch64 compiler
# would fuse multiplies and adds.
flags=(-std=c++20 -O3 -DNDEBUG -ffp-contract=off -fno-fast-math)

# The .cpp files of a target, as FILE (a CMakeLists.txt) lists them in the
# target's add_library or add_executable, with FILE's folder in front: so
# that files added to a target are built here too.
sources() {
    local dir
    dir=$(dirname "$1")
    awk -v target="$2" '
        $0 ~ "^(add_library|add_executable)\\(" target "( |\\)|$)" { on = 1 }
        on {
            for (i = 1; i <= NF; ++i) {
                f = $i
                sub(/\)$/, "", f)
                if (f ~ /\.cpp$/) print f
            }
            if ($0 ~ /\)/) on = 0
        }' "$1" | sed "s|^|$dir/|"
}
mapfile -t sim < <(sources sim/CMakeLists.txt torvane_sim)
mapfile -t render < <(sources ui/CMakeLists.txt torvane_render)
mapfile -t draw_tests < <(sources tests/ui/CMakeLists.txt test_draw)
mapfile -t window < <(sources ui/CMakeLists.txt torvane_window)
mapfile -t window_tests < <(sources tests/ui/CMakeLists.txt test_window)
((${#sim[@]} && ${#render[@]} && ${#draw_tests[@]} && ${#window[@]} && ${#window_tests[@]})) ||
    fail "no sources found in the CMakeLists.txt files"

# Windows: the compiler joins the tick's cos and sin into one sincos, which
# mingw-w64's static runtime computes with the x87 fsincos; atan comes from
# msvcrt.dll at run time, wine's own here and Microsoft's on Windows, so
# this run vouches for the first two as Windows runs them and for wine's
# atan only. The prefix is made once (about 15 s), with no display: wineboot
# then opens no window, and the overrides keep it from offering to install
# Mono and Gecko.
win=build/mingw
mkdir -p "$win"
x86_64-w64-mingw32-g++-posix -static "${flags[@]}" -Isim -Itests/sim "${sim[@]}" \
    tests/sim/scene_hash.cpp -o "$win/scene_hash.exe"
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(dirname "$wine")/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver)
export WINEPREFIX=$PWD/$win/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    rm -rf "$WINEPREFIX"
    timeout 300 "$wine" wineboot --init >"$win/wineboot.log" 2>&1 || {
        "$wineserver" -k || true
        fail "wineboot failed; see $win/wineboot.log"
    }
fi
windows=$(timeout 120 "$wine" "$win/scene_hash.exe" | tr -d '\r') || true
maths=$(timeout 60 "$wine" "$win/scene_hash.exe" --maths | tr -d '\r') || true
"$wineserver" -w
# Which of the three functions give other bits than glibc's on some of the
# arguments: what to look at first when the hashes part.
differ=()
read -r _ na _ nc _ ns <<<"$("$build/tests/scene_hash" --maths)"
read -r _ wa _ wc _ ws <<<"$maths"
[[ $wa == "$na" ]] || differ+=(atan)
[[ $wc == "$nc" ]] || differ+=(cos)
[[ $ws == "$ns" ]] || differ+=(sin)
echo "determinism: under wine, these differ from glibc's on some arguments: ${differ[*]:-none}"
[[ $windows == "$native" ]] || fail "x86-64 Windows under wine gives '$windows', not $native"
echo "determinism: x86-64 Windows (mingw-w64) under wine: $windows, the same"

# aarch64: GoogleTest built from Debian's sources with the cross compiler
# (once), then the simulation, the draw library and the programs.
arm=build/aarch64
cxx=(aarch64-linux-gnu-g++ "${flags[@]}")
qemu=(qemu-aarch64 -L /usr/aarch64-linux-gnu)
gtest=/usr/src/googletest/googletest
mkdir -p "$arm/obj"
if [[ ! -f $arm/libgtest.a ]]; then
    "${cxx[@]}" -pthread -I"$gtest/include" -I"$gtest" -c "$gtest/src/gtest-all.cc" \
        -o "$arm/obj/gtest-all.o" &
    "${cxx[@]}" -pthread -I"$gtest/include" -c "$gtest/src/gtest_main.cc" \
        -o "$arm/obj/gtest_main.o"
    wait $!
    aarch64-linux-gnu-ar rcs "$arm/libgtest_main.a" "$arm/obj/gtest_main.o"
    aarch64-linux-gnu-ar rcs "$arm/libgtest.a" "$arm/obj/gtest-all.o"
fi
all=("${sim[@]}" "${render[@]}" "${draw_tests[@]}" "${window[@]}" "${window_tests[@]}"
    tests/sim/scene_hash.cpp tests/ui/frame_hash.cpp)
# Every source to an object, as many at once as there are cores. One
# compile, in a shell of its own: $0 the folder of objects, $1 the source,
# the rest the command.
# shellcheck disable=SC2016
one='src=$1 out=$0/$1.o && shift && mkdir -p "${out%/*}" && exec "$@" -c "$src" -o "$out"'
printf '%s\n' "${all[@]}" | xargs -P "$(nproc)" -I{} sh -c "$one" "$arm/obj" {} "${cxx[@]}" \
    -Isim -Iui -Itests/sim -Itests/ui -I"$gtest/include"
obj() { printf "$arm/obj/%s.o\n" "$@"; }
mapfile -t simo < <(obj "${sim[@]}")
mapfile -t rendero < <(obj "${render[@]}")
mapfile -t testo < <(obj "${draw_tests[@]}")
mapfile -t windowo < <(obj "${window[@]}")
mapfile -t windowtesto < <(obj "${window_tests[@]}")
"${cxx[@]}" "$(obj tests/sim/scene_hash.cpp)" "${simo[@]}" -o "$arm/scene_hash"
"${cxx[@]}" "$(obj tests/ui/frame_hash.cpp)" "${rendero[@]}" "${simo[@]}" -o "$arm/frame_hash"
"${cxx[@]}" -pthread "${testo[@]}" "${rendero[@]}" "${simo[@]}" "$arm/libgtest_main.a" \
    "$arm/libgtest.a" -o "$arm/test_draw"
"${cxx[@]}" -pthread "${windowtesto[@]}" "${windowo[@]}" "${rendero[@]}" "${simo[@]}" \
    "$arm/libgtest_main.a" "$arm/libgtest.a" -o "$arm/test_window"

# The two hash programs beside the test program, each about 15 s under
# qemu alone, the tests about 25 s (the pinned frames' test most of it);
# the bounds leave room for a loaded machine.
timeout 300 "${qemu[@]}" "$arm/scene_hash" >"$arm/scene_hash.out" &
scene=$!
timeout 300 "${qemu[@]}" "$arm/frame_hash" >"$arm/frame_hash.out" &
frame=$!
trap 'kill "$scene" "$frame" 2>/dev/null || true' EXIT
timeout 600 "${qemu[@]}" "$arm/test_draw" --gtest_brief=1
echo "determinism: aarch64 under qemu: the draw library's tests pass"
# The window's tests, with no toolkit: cadence, rest, damage, presses,
# resizes; the soak-sized cases are left out, as the default run does.
timeout 600 "${qemu[@]}" "$arm/test_window" --gtest_brief=1 --gtest_filter='-*Soak.*'
echo "determinism: aarch64 under qemu: the window's tests pass"

wait $scene || true
aarch64=$(<"$arm/scene_hash.out")
[[ $aarch64 == "$native" ]] || fail "aarch64 gives '$aarch64', x86-64 $native"
echo "determinism: aarch64 under qemu: $aarch64, the same"
wait $frame || true
armframes=$(<"$arm/frame_hash.out")
if [[ $armframes != "$frames" ]]; then
    diff <(echo "$frames") <(echo "$armframes") >&2 || true
    fail "aarch64 frames (scalar blends) differ from x86-64's (SSE2), above"
fi
echo "determinism: aarch64 under qemu: the pinned frames, $(tail -n1 <<<"$frames"), the same"
