#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders the program's icon (app/icons/hicolor/scalable/apps/*.svg) into the
# PNG sizes that app/icons/hicolor holds beside it, one folder SIZExSIZE each:
# those folders are the list of sizes every build reads (CMakeLists.txt). The
# PNGs are committed, so a build needs no SVG renderer; run this after
# changing the SVG, or after making a folder for a new size.
# Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../app/icons/hicolor"

command -v rsvg-convert >/dev/null || { echo "make-icons.sh needs rsvg-convert (librsvg2-bin)" >&2; exit 1; }
for svg in scalable/apps/*.svg; do
    name=$(basename "$svg" .svg)
    for folder in [0-9]*x[0-9]*; do
        size=${folder%%x*}
        mkdir -p "${size}x${size}/apps"
        rsvg-convert --width "$size" --height "$size" "$svg" -o "${size}x${size}/apps/$name.png"
    done
done
