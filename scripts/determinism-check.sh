#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The pinned scene's hash (tests/sim/scene.h) on other maths libraries and
# processors: the determinism test again on glibc's SSE2 versions of atan,
# sin and cos, then the simulation built for aarch64 and run under qemu.
# Usage: scripts/determinism-check.sh BUILD_DIR   (a release build with
# test_sim and scene_hash)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/determinism-check.sh BUILD_DIR}
sse2=glibc.cpu.hwcaps=-AVX2,-FMA

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

# The same compile flags as the root CMakeLists.txt gives every target, and
# its Release optimisation: without -ffp-contract=off the aarch64 compiler
# would fuse multiplies and adds.
out=build/aarch64
mkdir -p "$out"
aarch64-linux-gnu-g++ -std=c++20 -O3 -DNDEBUG -ffp-contract=off -fno-fast-math \
    -Isim -Itests/sim sim/*.cpp tests/sim/scene_hash.cpp -o "$out/scene_hash"
arm=$(qemu-aarch64 -L /usr/aarch64-linux-gnu "$out/scene_hash") || {
    echo "determinism: aarch64 gives $arm, not the pinned hash" >&2
    exit 1
}
[[ $arm == "$native" ]]
echo "determinism: aarch64 under qemu: $arm, the same"
