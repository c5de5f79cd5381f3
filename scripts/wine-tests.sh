#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs test programs of a Windows build (preset windows-test) under wine,
# each once, the soak-sized cases (*Soak*) left out as the default run
# leaves them out; fails if any test fails.
# Usage: wine-tests.sh BUILD_DIR TARGET...   (e.g. build/windows-test test_sim test_draw)
set -euo pipefail
build=${1:?usage: wine-tests.sh BUILD_DIR TARGET...}
shift
source "$(dirname "$0")/wine-env.sh"
wine_prefix
# Console programs: no display needed, and none is opened.
unset DISPLAY WAYLAND_DISPLAY
for target in "$@"; do
    program=$(find "$build" -name "$target.exe" -print -quit)
    [[ -n $program ]] || { echo "wine-tests: no $target.exe in $build" >&2; exit 1; }
    started=$(date +%s.%N)
    timeout 900 "$wine" "$program" --gtest_brief=1 --gtest_filter=-*Soak* | tr -d '\r' | tail -n 3
    status=${PIPESTATUS[0]}
    ((status == 0)) || { echo "wine-tests: $target failed under wine (status $status)" >&2; exit 1; }
    echo "wine-tests: $target passes under wine ($(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s)"
done
"$wineserver" -w
