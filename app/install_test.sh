#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What `cmake --install` puts down, checked without installing anywhere real:
# installs the build tree into a scratch DESTDIR with prefix /usr, compares
# the files with the list below, validates the menu entry and the metainfo
# against their icon, and checks the program's RUNPATH and the manual page.
# Usage: install_test.sh BUILD_DIR   (registered as a test in app/CMakeLists.txt)
set -euo pipefail

build=$1
id=org.example.torvane
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() {
    echo "install_test: $*" >&2
    exit 1
}

DESTDIR=$root/usr-tree cmake --install "$build" --prefix /usr >/dev/null
tree=$root/usr-tree
expected="usr/games/torvane
usr/share/applications/$id.desktop
usr/share/doc/torvane/changelog.Debian.gz
usr/share/doc/torvane/copyright
usr/share/icons/hicolor/128x128/apps/$id.png
usr/share/icons/hicolor/16x16/apps/$id.png
usr/share/icons/hicolor/22x22/apps/$id.png
usr/share/icons/hicolor/24x24/apps/$id.png
usr/share/icons/hicolor/256x256/apps/$id.png
usr/share/icons/hicolor/32x32/apps/$id.png
usr/share/icons/hicolor/48x48/apps/$id.png
usr/share/icons/hicolor/64x64/apps/$id.png
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/man/man6/torvane.6.gz
usr/share/metainfo/$id.metainfo.xml"
actual=$(cd "$tree" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[[ $actual == "$expected" ]] || fail "installed files differ:
$(diff <(echo "$expected") <(echo "$actual"))"

entry=$tree/usr/share/applications/$id.desktop
grep -qx 'Exec=/usr/games/torvane' "$entry" || fail "menu entry's Exec is not the installed program: $(grep '^Exec' "$entry")"
grep -q '^#' "$entry" && fail "the template's comment reached the installed menu entry"
desktop-file-validate "$entry" || fail "menu entry is not valid"
appstreamcli validate --no-net "$tree/usr/share/metainfo/$id.metainfo.xml" >/dev/null || fail "metainfo is not valid"
appstreamcli validate-tree --no-net "$tree" >/dev/null || fail "metainfo, menu entry and icon do not fit together"

# The program links only system libraries: no RUNPATH or RPATH.
if readelf -d "$tree/usr/games/torvane" | grep -qE 'RUNPATH|RPATH'; then
    fail "installed program has a run path: $(readelf -d "$tree/usr/games/torvane" | grep -E 'RUNPATH|RPATH')"
fi

# The manual page is gzip without name or time stamp, and renders without
# warnings.
[[ $(od -An -tx1 -j4 -N4 "$tree/usr/share/man/man6/torvane.6.gz" | tr -d ' ') == 00000000 ]] ||
    fail "manual page's gzip header has a time stamp"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$tree/usr/share/man/man6/torvane.6.gz" 2>&1 >/dev/null)
[[ -z $warnings ]] || fail "manual page warnings: $warnings"

# A prefix the menu entry's Exec cannot hold unquoted is refused, not written.
if DESTDIR=$root/spaced cmake --install "$build" --prefix "/opt/a b" >/dev/null 2>&1; then
    fail "install to a prefix with a space went through"
fi
[[ ! -e "$root/spaced/opt/a b/share/applications/$id.desktop" ]] || fail "a menu entry for '/opt/a b' was written"
echo "install_test: $(echo "$expected" | wc -l) files installed as expected"
