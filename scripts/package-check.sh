#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the Debian package as a distribution and a user meet it: lintian, the
# desktop entry's and the AppStream validators, then installs it with apt-get,
# starts the installed program by its menu entry's command on a virtual X
# display (caption, icon and window class), purges it and checks that none of
# its files is left. Needs root (or sudo) for apt-get; a torvane package
# installed before is purged.
# Usage: package-check.sh PACKAGE.deb
set -euo pipefail

deb=$(realpath "$1")
here=$(dirname "$0")
"$here/install-deps.sh" package run
name=$(dpkg-deb --field "$deb" Package)
app_id=org.example.torvane
caption="Torvane Beta - Quillmoss 2004 (Click to add)"

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
fail() {
    echo "package-check: $*" >&2
    exit 1
}
installed() { dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'ok installed$'; }

echo "== lintian $(basename "$deb")"
lintian --display-info --pedantic --fail-on error "$deb" || fail "lintian found errors"

echo "== the package's files"
tree=$(mktemp -d)
dpkg-deb --extract "$deb" "$tree"
echo "desktop-file-validate usr/share/applications/$app_id.desktop"
desktop-file-validate "$tree/usr/share/applications/$app_id.desktop" || fail "desktop entry is not valid"
echo "appstreamcli validate --no-net usr/share/metainfo/$app_id.metainfo.xml"
appstreamcli validate --no-net "$tree/usr/share/metainfo/$app_id.metainfo.xml" || fail "metainfo is not valid"
# The metainfo, its launchable desktop entry and the icon, as a software
# centre puts them together.
echo "appstreamcli validate-tree --no-net"
appstreamcli validate-tree --no-net "$tree" || fail "metainfo, desktop entry and icon do not fit together"
rm -rf "$tree"

if installed; then
    echo "== $name is installed already: purging it first"
    "${sudo[@]}" apt-get purge -y -qq "$name" >/dev/null
fi
source "$here/virtual-display.sh"
# The package goes again whatever happens below.
trap 'cleanup; ! installed || "${sudo[@]}" apt-get purge -y -qq "$name" >/dev/null' EXIT

echo "== apt-get install $(basename "$deb")"
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
installed || fail "$name did not install"
mapfile -t owned < <(dpkg -L "$name")

entry=/usr/share/applications/$app_id.desktop
[[ -f $entry ]] || fail "no menu entry at $entry"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
wm_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
[[ -x $exec_line ]] || fail "the menu entry's command '$exec_line' is not an installed program"
man -w torvane >/dev/null || fail "man torvane finds no manual page"

echo "== $exec_line on a virtual display"
start_program "$exec_line"
title=$(xprop -id "$window" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')
[[ $title == "$caption" ]] || fail "caption is '$title', not '$caption'"
echo "caption: $title"
icons=$(xprop -id "$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')
[[ -n $icons ]] || fail "the window carries no icon (_NET_WM_ICON)"
echo "icon: $icons"
class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p')
[[ $class == "$wm_class" ]] || fail "window class is '$class', the menu entry's StartupWMClass '$wm_class'"
echo "window class: $class"
kill "$app"
wait "$app" 2>/dev/null || true

echo "== apt-get purge $name"
"${sudo[@]}" apt-get purge -y -qq "$name" >/dev/null
installed && fail "$name is still installed"
left=()
for path in "${owned[@]}"; do
    if [[ -d $path && ! -L $path ]]; then
        # A directory may stay while another package owns it or it holds
        # other files.
        if [[ -z $(ls -A "$path") ]] && ! dpkg-query -S "$path" >/dev/null 2>&1; then
            left+=("$path")
        fi
    elif [[ -e $path || -L $path ]]; then
        left+=("$path")
    fi
done
((${#left[@]} == 0)) || fail "left behind after purge: ${left[*]}"
echo "package-check: ${#owned[@]} paths installed, none left after purge"
