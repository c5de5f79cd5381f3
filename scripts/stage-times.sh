#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The tick and the draw pass of a full table, natively and as the page's
# WebAssembly under Node (bench/stage_times.cpp), from the libraries of the
# release and web-node builds, which this builds first.
# Usage: stage-times.sh [BALLS] [PASSES] [COLD]
set -euo pipefail
cd "$(dirname "$0")/.."
export NODE_PATH=/usr/share/nodejs
cmake --preset release >/dev/null && cmake --build --preset release --target torvane_window >/dev/null
cmake --preset web-node >/dev/null && cmake --build --preset web-node --target torvane_window >/dev/null
out=build/stage-times
mkdir -p "$out"
sources=(bench/stage_times.cpp bench/scenes.cpp)
flags=(-std=c++20 -O3 -DNDEBUG -ffp-contract=off -Isim -Iui -Iui/draw -Itests/ui -Ibench
       '-DTORVANE_CAPTION=""')
libs=(ui/libtorvane_window.a ui/libtorvane_render.a ui/draw/libtorvane_draw.a sim/libtorvane_sim.a)
g++ "${flags[@]}" "${sources[@]}" "${libs[@]/#/build/release/}" -o "$out/stage_times"
em++ "${flags[@]}" -msse2 -msimd128 -include cmake/bit_cast_compat.h "${sources[@]}" \
    "${libs[@]/#/build/web-node/}" -sSINGLE_FILE=1 -sWASM_ASYNC_COMPILATION=0 \
    -sALLOW_MEMORY_GROWTH=1 -o "$out/stage_times.js"
echo "native:      $("$out/stage_times" "$@")"
echo "WebAssembly: $(node "$out/stage_times.js" "$@")"
