#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The pinned scene (tests/sim/scene.h) and the pinned frames
# (tests/ui/frame_scene.h) on other maths libraries and processors: the
# x86-64 build's hashes, the scene again on glibc's SSE2 versions of atan,
# sin and cos, and the tests of the simulation, the drawing and the window
# (which pin both hashes: Determinism.SceneMatchesRecordedState,
# PinnedFrames.HashIsPinned) on each other target, whose CMake workflow
# builds them and runs them under its emulator: aarch64 under qemu-aarch64
# (scalar blends), windows-test under wine (mingw-w64's static runtime,
# msvcrt's atan), web-node as WebAssembly under Node (the SSE2 blends on
# WebAssembly SIMD), web-node-scalar the drawing's tests as the page's
# module without SIMD (the scalar blends) under Node.
# Usage: scripts/determinism-check.sh BUILD_DIR [TARGET...]   (a release
# build with test_sim, scene_hash and frame_hash; workflow presets)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/determinism-check.sh BUILD_DIR [TARGET...]}
shift
sse2=glibc.cpu.hwcaps=-AVX2,-FMA
fail() {
    echo "determinism: $*" >&2
    exit 1
}

scene=$("$build/tests/scene_hash") || fail "x86-64 gives the scene hash '$scene', not the pinned one"
echo "determinism: x86-64, glibc's maths for this processor: $scene, the pinned scene hash"
frames=$("$build/tests/ui/frame_hash") || fail "x86-64 frames are not the pinned ones: $frames"
echo "determinism: x86-64 (SSE2 blends): the pinned frames, $(tail -n1 <<<"$frames")"

# glibc picks its FMA versions on processors that have FMA and AVX2; the
# tunable takes them away. Where the processor has neither, both runs get
# the SSE2 versions and the second run shows nothing new.
if [[ $("$build/tests/scene_hash" --maths) == $(GLIBC_TUNABLES=$sse2 "$build/tests/scene_hash" --maths) ]]; then
    echo "determinism: note: GLIBC_TUNABLES=$sse2 changes no maths result on this processor"
fi
GLIBC_TUNABLES=$sse2 "$build/tests/scene_hash" >/dev/null ||
    fail "x86-64 on glibc's SSE2 maths does not give the pinned scene hash"
echo "determinism: x86-64, glibc's SSE2 maths: the pinned scene hash"

for target; do
    nice cmake --workflow --preset "$target" || fail "the $target build or its tests fail"
    echo "determinism: $target: the tests pass, the pinned scene and frames among them"
done
