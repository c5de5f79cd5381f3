#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs sim_fuzz: first every committed seed once, then fuzzing for SECONDS
# from them. New inputs collect in build/fuzz/corpus (the committed seeds are
# never changed); a failing input is saved in build/fuzz/artifacts.
# Usage: fuzz/run.sh SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh SECONDS}
bin=build/fuzz/fuzz/sim_fuzz
mkdir -p build/fuzz/corpus build/fuzz/artifacts

echo "sim_fuzz: replaying $(ls fuzz/corpus | wc -l) committed seeds"
"$bin" -artifact_prefix=build/fuzz/artifacts/ fuzz/corpus/*

echo "sim_fuzz: fuzzing for ${seconds} s"
# -timeout: no input may take this long (seconds); one takes ~50 ms at most.
"$bin" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/artifacts/ build/fuzz/corpus fuzz/corpus
