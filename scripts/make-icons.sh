#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders the program's icon (app/icons/hicolor/scalable/apps/*.svg) into the
# PNG sizes that app/icons/hicolor holds beside it. The PNGs are committed, so
# a build needs no SVG renderer; run this after changing the SVG.
# Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../app/icons/hicolor"

command -v rsvg-convert >/dev/null || { echo "make-icons.sh needs rsvg-convert (librsvg2-bin)" >&2; exit 1; }
for svg in scalable/apps/*.svg; do
    name=$(basename "$svg" .svg)
    # Icon sizes in pixels, as desktops and docks ask for them.
    for size in 16 22 24 32 48 64 128 256; do
        mkdir -p "${size}x${size}/apps"
        rsvg-convert --width "$size" --height "$size" "$svg" -o "${size}x${size}/apps/$name.png"
    done
done
