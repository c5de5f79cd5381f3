#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages a make target needs, only those missing. On a
# system without apt-get and dpkg-query it installs nothing: it names the
# Debian packages, checks that the commands and pkg-config modules they give
# are there, and goes on if they are.
# Usage: install-deps.sh GROUP...   (groups: app build run package fuzz format determinism
#                                   windows wasm web serve)
set -euo pipefail

# app: the program alone; build: the program, its tests (the install test
# runs the menu entry's and the metainfo's validators) and benchmarks;
# run: the virtual display that runs the program without a screen;
# package: the .deb and its checks (git: the reproducibility check's clones);
# windows: the Windows program cross-compiled, its tests (GoogleTest built
# from Debian's sources) and both run under wine on a virtual display; its
# installer built with wixl and read back with msitools.
app="cmake ninja-build g++ make pkg-config gzip qt6-base-dev libgl-dev"
declare -A groups=(
    [app]="$app"
    [build]="$app libgtest-dev libbenchmark-dev desktop-file-utils appstream man-db binutils"
    [run]="xvfb xdotool x11-utils imagemagick"
    [package]="dpkg-dev file binutils lintian desktop-file-utils appstream man-db git"
    [fuzz]="clang libclang-rt-14-dev"
    [format]="clang-format"
    [determinism]="cmake ninja-build googletest g++-aarch64-linux-gnu qemu-user g++-mingw-w64-x86-64-posix wine64"
    [windows]="cmake ninja-build make python3 googletest g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb xdotool x11-utils imagemagick unzip wixl msitools"
    # wasm: Emscripten and Node for the WebAssembly builds (its JavaScript
    # optimizer needs acorn); web: the page, its server, and Chromium,
    # Firefox ESR and WebKitGTK's driver with npm for the page's test, on a
    # virtual display that takes key presses; serve: the server alone.
    [wasm]="emscripten node-acorn nodejs"
    [web]="emscripten node-acorn nodejs npm chromium firefox-esr webkit2gtk-driver python3 xvfb xdotool x11-utils"
    [serve]="python3"
)
# What each group's packages provide, for systems that have other package
# names: commands on PATH, and pkg-config modules.
declare -A commands=(
    [app]="cmake ninja g++ make pkg-config gzip"
    [build]="cmake ninja g++ make pkg-config gzip desktop-file-validate appstreamcli man readelf"
    [run]="Xvfb xdotool xdpyinfo xprop import"
    [package]="cpack dpkg-deb dpkg-shlibdeps file objcopy lintian desktop-file-validate appstreamcli man git strings"
    [fuzz]="clang"
    [format]="clang-format"
    [determinism]="aarch64-linux-gnu-g++ qemu-aarch64 x86_64-w64-mingw32-g++-posix wine64"
    [windows]="cmake ninja make python3 x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres x86_64-w64-mingw32-objdump wine64 Xvfb xdotool xwininfo xprop import unzip wixl msiinfo"
    [wasm]="emcc node"
    [web]="emcc node npm chromium firefox-esr WebKitWebDriver python3 Xvfb xdotool xdpyinfo"
    [serve]="python3"
)
declare -A modules=(
    [app]="Qt6Widgets gl"
    [build]="Qt6Widgets Qt6Test gl gtest benchmark"
)

selected=("${@:-build}")
for g in "${selected[@]}"; do
    [[ -n "${groups[$g]:-}" ]] || { echo "unknown package group: $g" >&2; exit 2; }
done

if ! command -v apt-get >/dev/null || ! command -v dpkg-query >/dev/null; then
    missing=()
    for g in "${selected[@]}"; do
        for c in ${commands[$g]:-}; do
            command -v "$c" >/dev/null || missing+=("command $c")
        done
        for m in ${modules[$g]:-}; do
            pkg-config --exists "$m" 2>/dev/null || missing+=("pkg-config module $m")
        done
    done
    ((${#missing[@]} == 0)) && exit 0
    {
        echo "No apt-get/dpkg-query here, so nothing is installed. Missing:"
        printf '  %s\n' "${missing[@]}"
        echo "Install what these Debian packages give (your system's names may differ):"
        for g in "${selected[@]}"; do
            echo "  $g: ${groups[$g]}"
        done
    } >&2
    exit 1
fi

# Packages that another vendor's build of the same program stands in for:
# Node.js from NodeSource carries npm in its nodejs package, and Debian's
# npm would not install beside it.
declare -A command_of=([nodejs]=node [npm]=npm)
wanted=()
for g in "${selected[@]}"; do
    for p in ${groups[$g]}; do
        if [[ -n ${command_of[$p]:-} ]] && command -v "${command_of[$p]}" >/dev/null; then
            continue
        fi
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
