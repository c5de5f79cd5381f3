#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The page's share of one core in headless Chromium, as scripts/cpu-use.sh
# measures the Qt program's: the same presses in a viewport of the same
# size (tests/web/cpu-use.mjs).
# Usage: web-cpu-use.sh [CLICKS] [SECONDS] [REPEATS]   (site: build/web)
set -euo pipefail
cd "$(dirname "$0")/.."
"$(dirname "$0")/install-deps.sh" web
[[ -f build/web/index.html ]] || { echo "no site in build/web: run make web" >&2; exit 1; }
[[ -d tests/web/node_modules/playwright-core ]] || (cd tests/web && npm ci --no-audit --no-fund)
exec node tests/web/cpu-use.mjs build/web "${1:-0}" "${2:-15}" "${3:-3}"
