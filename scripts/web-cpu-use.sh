#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The page's share of one core in a browser (chromium, firefox or webkit),
# across all the browser's processes, as scripts/cpu-use.sh measures the
# Qt program's: the same presses in a viewport of the same size
# (tests/web/cpu-use.mjs). WebKitGTK runs on a virtual X display.
# Usage: web-cpu-use.sh [ENGINE] [CLICKS] [SECONDS] [REPEATS]   (site: build/web)
set -euo pipefail
cd "$(dirname "$0")/.."
"$(dirname "$0")/install-deps.sh" web
[[ -f build/web/index.html ]] || { echo "no site in build/web: run make web" >&2; exit 1; }
[[ -d tests/web/node_modules/selenium-webdriver ]] || (cd tests/web && npm ci --no-audit --no-fund)
source scripts/virtual-display.sh
start_display
node tests/web/cpu-use.mjs "${1:-chromium}" build/web "${2:-0}" "${3:-15}" "${4:-3}"
