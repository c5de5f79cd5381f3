#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Serves the built site on this machine only (127.0.0.1) and prints the
# address to open; Ctrl+C stops it. Any static web server serves the folder
# as well: it needs nothing but files.
# Usage: web-serve.sh [SITE_DIR] [PORT]   (defaults: build/web, 8064)
set -euo pipefail
site=${1:-build/web}
port=${2:-8064}
[[ -f $site/index.html ]] || { echo "no site in $site: run make web" >&2; exit 1; }
echo "Open http://127.0.0.1:$port/ (Ctrl+C stops the server)"
exec python3 -m http.server --bind 127.0.0.1 --directory "$site" "$port"
