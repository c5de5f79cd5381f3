#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The pinned scene and the pinned frames built by Emscripten to WebAssembly
# (SIMD blends from the SSE2 code) and run under Node, where they must hash
# as on x86-64; the draw library's and the window's toolkit-free tests run
# there too. Preset web-node; scripts/determinism-check.sh calls this.
# Usage: scripts/web-node-check.sh
set -euo pipefail
cd "$(dirname "$0")/.."
fail() {
    echo "determinism: $*" >&2
    exit 1
}
# Emscripten's JavaScript optimizer needs Debian's acorn.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
build=build/web-node
tests=(test_draw)
cmake --preset web-node >/dev/null
# The window's toolkit-free tests, where the tree has them.
if ninja -C "$build" -t targets all 2>/dev/null | grep -q '^test_window:'; then
    tests+=(test_window)
fi
nice cmake --build --preset web-node -j2 --target scene_hash frame_hash "${tests[@]}" >/dev/null
# Built with -sSINGLE_FILE=1 -sWASM_ASYNC_COMPILATION=0: the loader of
# Debian's Emscripten fails under Node 18 and later when it fetches a
# separate .wasm by its file path.
scene=$(node "$build/tests/scene_hash.js") || fail "WebAssembly under Node gives the scene hash '$scene', not the pinned one"
echo "determinism: WebAssembly under Node $(node --version): $scene, the pinned scene hash"
frames=$(node "$build/tests/ui/frame_hash.js") || fail "WebAssembly frames are not the pinned ones: $frames"
echo "determinism: WebAssembly under Node (SIMD blends): the pinned frames, $(tail -n1 <<<"$frames"), the same"
for t in "${tests[@]}"; do
    program=$(find "$build/tests" -name "$t.js" | head -n1)
    [[ -n $program ]] || fail "no $t.js in $build"
    # The soak-sized cases are left out, as the default run does.
    node "$program" --gtest_brief=1 --gtest_filter="-*Soak.*" || fail "$t fails under Node"
    echo "determinism: WebAssembly under Node: $t passes"
done
