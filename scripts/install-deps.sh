#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages a make target needs, only those missing.
# Usage: install-deps.sh GROUP...   (groups: build run fuzz format determinism)
set -euo pipefail

declare -A groups=(
    [build]="cmake ninja-build g++ make pkg-config qt6-base-dev libgl-dev libgtest-dev libbenchmark-dev"
    [run]="xvfb xdotool x11-utils imagemagick"
    [fuzz]="clang libclang-rt-14-dev"
    [format]="clang-format"
    [determinism]="g++-aarch64-linux-gnu qemu-user"
)

wanted=()
for g in "${@:-build}"; do
    [[ -n "${groups[$g]:-}" ]] || { echo "unknown package group: $g" >&2; exit 2; }
    for p in ${groups[$g]}; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
            wanted+=("$p")
        fi
    done
done
[[ ${#wanted[@]} -eq 0 ]] && exit 0

echo "Installing: ${wanted[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${wanted[@]}" >/dev/null
