#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the site a second time, in a build folder elsewhere, with another
# time zone, locale and umask, and fails unless every file is the same bytes
# as in the site given (the service worker's cache name is a hash of the
# files, so it must not change either).
# Usage: web-reproducible-check.sh [SITE_DIR]   (default build/web, preset web)
set -euo pipefail
cd "$(dirname "$0")/.."
site=${1:-build/web}
work=$(mktemp -d "${TMPDIR:-/tmp}/torvane-web-repro.XXXXXX")
# Emscripten's JavaScript optimizer needs Debian's acorn (the presets set
# this; a build folder of its own is built without them).
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
if ! (
    umask 002
    export TZ="<+14>-14" LC_ALL=C
    cmake --preset web -B "$work/build" -DTORVANE_WEB_SITE="$work/site" &&
        nice cmake --build "$work/build" -j2
) >"$work/build.log" 2>&1; then
    tail -n 20 "$work/build.log" >&2
    echo "web-reproducible-check: the second build failed; its log is $work/build.log" >&2
    exit 1
fi
if ! diff -r "$site" "$work/site" >&2; then
    echo "web-reproducible-check: the two builds differ (kept in $work)" >&2
    exit 1
fi
echo "web-reproducible-check: a second build in another folder gives the same site ($(sed -n "s/^const CACHE = '\(.*\)';/\1/p" "$site/sw.js"))"
rm -rf "$work"
