#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows installer as a user meets it, under wine in a fresh prefix on
# a virtual X display. First the package itself: at most 1 MB, per-user with
# no elevation, the product's name, version, publisher and icon, no web
# address, no Modify or Repair, registry values under HKEY_CURRENT_USER
# only. Then: installed silently (/qn) it puts the program, its licence and
# a Start-menu shortcut in the user's profile, an entry in Installed apps
# with that name, version, publisher and icon, and nothing in Program Files,
# another profile or HKEY_LOCAL_MACHINE but Windows Installer's own records;
# the shortcut starts the installed program, whose window shows its caption;
# installing the same package again changes nothing; the older version's
# package over it is refused with a message and changes nothing; /x removes
# every file, the shortcut and the entry. Last, the older version installed
# and then this one: this one replaces it, and /x again leaves nothing.
# Usage: msi-check.sh MSI OLDER_MSI EXE ICO
#        (build/windows/torvane-VERSION-windows-x86_64.msi, the older
#        version's package (target torvane_msi_older), the torvane.exe and
#        torvane.ico both were built from)
set -euo pipefail
usage="usage: msi-check.sh MSI OLDER_MSI EXE ICO"
msi=$(realpath "${1:?$usage}")
older=$(realpath "${2:?$usage}")
exe=$(realpath "${3:?$usage}")
ico=$(realpath "${4:?$usage}")
here=$(cd "$(dirname "$0")" && pwd)
fail() {
    echo "msi-check: $*" >&2
    exit 1
}
say() { echo "msi-check: $*"; }

# The package's tables, as msitools reads them back: the rows of table $2,
# without the three lines of column names and types.
table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
property() { table "$1" Property | awk -F '\t' -v k="$2" '$1 == k { print $2 }'; }
summary() { msiinfo suminfo "$1" | sed -n "s/^$2: //p"; }
size=$(stat -c %s "$msi")
((size <= 1024 * 1024)) || fail "$(basename "$msi") is $size bytes, over 1 MB"
version=$(sed -n 's/^project(torvane VERSION \([0-9.]*\).*/\1/p' "$here/../CMakeLists.txt")
company=$(x86_64-w64-mingw32-windres -i "$exe" -O rc | sed -n 's/^ *VALUE "CompanyName", "\(.*\)"$/\1/p')
code=$(property "$msi" ProductCode)
upgrade_code=$(property "$msi" UpgradeCode)
older_code=$(property "$older" ProductCode)
older_version=$(property "$older" ProductVersion)
[[ $(property "$msi" ProductName) == Torvane ]] || fail "the product is named '$(property "$msi" ProductName)'"
[[ $(property "$msi" ProductVersion) == "$version" ]] ||
    fail "the package's version is $(property "$msi" ProductVersion), the project's $version"
[[ -n $company && $(property "$msi" Manufacturer) == "$company" ]] ||
    fail "the publisher is '$(property "$msi" Manufacturer)', torvane.exe's CompanyName '$company'"
[[ $(property "$msi" ARPPRODUCTICON) == torvane.ico ]] || fail "ARPPRODUCTICON is '$(property "$msi" ARPPRODUCTICON)'"
msiinfo extract "$msi" Icon.torvane.ico | cmp -s - "$ico" || fail "the package's icon is not $ico"
[[ $(property "$msi" ARPNOMODIFY)$(property "$msi" ARPNOREPAIR) == 11 ]] || fail "the entry offers Modify or Repair"
urls=$(table "$msi" Property | awk -F '\t' '$1 ~ /^ARP(URL|HELP|CONTACT|README)/ { print $1 }')
[[ -z $urls ]] || fail "the entry has addresses: $urls"
# Word count 2 (compressed) + 8 (no elevation needed): a per-user package.
(($(summary "$msi" Source | awk '{ print $1 }') & 8)) || fail "the package asks for elevation"
[[ $(summary "$msi" Template) == "x64;1033" ]] || fail "the package is for $(summary "$msi" Template), not x64"
roots=$(table "$msi" Registry | cut -f 2 | sort -u | paste -sd " ")
[[ $roots == 1 ]] || fail "the package writes registry roots '$roots', not HKEY_CURRENT_USER (1) alone"
[[ $(table "$msi" LaunchCondition | cut -f 1) == "NOT WIX_DOWNGRADE_DETECTED" ]] ||
    fail "no launch condition refuses a downgrade"
[[ $(property "$older" UpgradeCode) == "$upgrade_code" && $older_code != "$code" && $older_version != "$version" &&
    $(printf '%s\n' "$version" "$older_version" | sort -V | head -n 1) == "$older_version" ]] ||
    fail "$(basename "$older") is no older version of the same product ($older_version, $older_code)"
say "$(basename "$msi"): $size bytes; Torvane $version by $company, product $code, per-user x64, icon, no Modify, Repair or address, HKCU alone"

work=$(mktemp -d "${TMPDIR:-/tmp}/torvane-msi.XXXXXX")
source "$here/virtual-display.sh"
source "$here/wine-env.sh"
trap 'cleanup; rm -rf "$work"' EXIT
# Anything wine writes outside its prefix (the desktop's folders, menus)
# goes to a home of its own; wine makes no menu entries of the shortcuts;
# times are UTC, as the package's are.
export HOME=$work/home TZ=UTC0
mkdir -p "$HOME"
wine_prefix "$work/prefix"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
"$wineserver" -w
start_display

drive=$WINEPREFIX/drive_c
users=()
for dir in "$drive"/users/*/; do
    dir=$(basename "$dir")
    [[ $dir == Public ]] || users+=("$dir")
done
((${#users[@]} == 1)) || fail "the prefix has the profiles ${users[*]}, not one"
user=${users[0]}
profile=$drive/users/$user
folder=$profile/AppData/Local/Programs/Torvane
shortcut="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Torvane.lnk"
windows_path() { local p=${1#"$drive"/}; echo "C:\\${p//\//\\}"; }

# An MSI registry key holds a product code "packed": each of the first three
# groups reversed, then each byte's two digits swapped.
packed() {
    local g=${1//[\{\}-]/} out i
    out=$(rev <<<"${g:0:8}")$(rev <<<"${g:8:4}")$(rev <<<"${g:12:4}")
    for ((i = 16; i < 32; i += 2)); do out+=${g:i+1:1}${g:i:1}; done
    echo "$out"
}
# The values of a key in a registry file of the prefix (KEY with doubled
# backslashes, as the file writes it; passed in the environment, where awk
# does not read escapes).
reg_values() {
    KEY="[$2] " awk 'substr($0, 1, length(ENVIRON["KEY"])) == ENVIRON["KEY"] { on = 1; next }
        on && /^\[/ { exit } on && /^"/ { print }' "$WINEPREFIX/$1"
}
reg_value() { reg_values "$1" "$2" | sed -n "s/^\"$3\"=//p"; }
reg_keys() { sed -n 's/^\[\(.*\)\] [0-9]*$/\1/p' "$WINEPREFIX/$1" | LC_ALL=C sort; }
uninstall_key() { echo 'Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\'"$1"; }
products_key() { echo 'Software\\Microsoft\\Installer\\Products\\'"$(packed "$1")"; }
# Installed apps lists a product by its key under Uninstall, which wine
# keeps in HKEY_LOCAL_MACHINE for a per-user package too.
entry_hive() {
    local hive
    for hive in user.reg system.reg; do
        grep -qF "[$(uninstall_key "$1")] " "$WINEPREFIX/$hive" && echo "$hive" && return
    done
    return 0
}
# Every file and folder of drive C: type, size, time, path (Temp left out:
# msiexec's scratch files come and go).
files() {
    (cd "$drive" && find . -path "./users/$user/Temp" -prune -o -path ./windows/temp -prune -o \
        -printf '%y %s %T@ %P\n' | LC_ALL=C sort -k 4)
}
# What the user has of the product: every file and folder (type, size,
# path), the bytes and time of the program and its licence, what the
# shortcut says (its target, folder, icon and description: wine writes it
# anew on every install, with the folders' times in it), the entry, and the
# installer's record of the product (its source list left out: wine counts
# the sources it used).
state() {
    files | cut -d ' ' -f 1,2,4-
    (cd "$folder" 2>/dev/null && sha256sum ./* && stat -c '%Y %n' ./*) || true
    [[ ! -f $shortcut ]] || { strings -a "$shortcut" && strings -a -el "$shortcut"; }
    local hive
    hive=$(entry_hive "$code")
    [[ -z $hive ]] || reg_values "$hive" "$(uninstall_key "$code")"
    reg_values user.reg "$(products_key "$code")"
    reg_values user.reg 'Software\\Torvane'
}
# msiexec ACTION PACKAGE [OPTIONS]: status as Windows gives it, modulo 256
# (wine passes the low byte of 1603 on as 67).
msiexec() {
    local action=$1 package=$2 status=0
    shift 2
    "$wine" msiexec "$action" "Z:${package//\//\\}" /l*v "$work/msiexec.log" "$@" >/dev/null 2>&1 || status=$?
    "$wineserver" -w
    echo "$status"
}
expect() {
    local status=$1 want=$2 what=$3
    ((status == want % 256)) || fail "$what: status $status, not $want (its log: $(tail -n 5 "$work/msiexec.log" | tr -d '\r'))"
}

files >"$work/files.fresh"
reg_keys system.reg >"$work/hklm.fresh"

expect "$(msiexec /i "$msi" /qn)" 0 "msiexec /i $(basename "$msi") /qn"
# The files: the program, the same bytes, with the package's time; the
# licence; the shortcut; and besides them only what Windows Installer keeps
# of every package (a copy of it, the entry's icon).
cmp -s "$folder/torvane.exe" "$exe" || fail "the installed torvane.exe is not $exe"
created=$(date -d "$(summary "$msi" Created)" +%s)
[[ $(stat -c %Y "$folder/torvane.exe") == $((created - created % 2)) ]] ||
    fail "the installed torvane.exe's time is $(date -d @"$(stat -c %Y "$folder/torvane.exe")"), not the package's $(summary "$msi" Created)"
grep -q $'\r$' "$folder/LICENSE.txt" || fail "no LICENSE.txt with Windows line ends beside the program"
files >"$work/files.installed"
added=$(LC_ALL=C comm -13 <(cut -d ' ' -f 4- "$work/files.fresh") <(cut -d ' ' -f 4- "$work/files.installed") |
    grep -vxF -e "users/$user/AppData/Local/Programs" -e "users/$user/AppData/Local/Programs/Torvane" \
        -e "users/$user/AppData/Local/Programs/Torvane/torvane.exe" \
        -e "users/$user/AppData/Local/Programs/Torvane/LICENSE.txt" \
        -e "users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Torvane.lnk" \
        -e "users/$user/AppData/Roaming/Microsoft/Installer" -e "users/$user/AppData/Roaming/Microsoft/Installer/$code" \
        -e "users/$user/AppData/Roaming/Microsoft/Installer/$code/torvane.ico" -e windows/Installer |
    grep -vx 'windows/Installer/[0-9a-f]*\.msi' || true)
[[ -z $added ]] || fail "installing added files besides the program and its shortcut: $(paste -sd " " <<<"$added")"
say "installed with /qn: $(ls "$folder" | paste -sd " ") in $(windows_path "$folder"), the shortcut $(windows_path "$shortcut"); nothing else but Windows Installer's own copy of the package"

# The shortcut: the installed program, with the icon of the entry (a copy
# of the package's icon that Windows Installer keeps).
icon_copy=$profile/AppData/Roaming/Microsoft/Installer/$code/torvane.ico
cmp -s "$icon_copy" "$ico" || fail "the shortcut's icon file is not $ico"
# Its strings, ASCII and UTF-16.
links=$(strings -a "$shortcut" && strings -a -el "$shortcut")
grep -qiF "$(windows_path "$folder/torvane.exe")" <<<"$links" || fail "the shortcut does not name the installed program"
grep -qiF "$(windows_path "$icon_copy")" <<<"$links" || fail "the shortcut has not the program's icon"
# The entry: name, version, publisher, icon, no address, no Modify or
# Repair; the registry of the local machine gains only Windows Installer's
# records of the product and that entry.
hive=$(entry_hive "$code")
[[ -n $hive ]] || fail "no entry for $code in Installed apps"
entry=$(uninstall_key "$code")
for pair in DisplayName=Torvane DisplayVersion="$version" Publisher="$company" URLInfoAbout= HelpLink= URLUpdateInfo=; do
    [[ $(reg_value "$hive" "$entry" "${pair%%=*}") == "\"${pair#*=}\"" ]] ||
        fail "the entry's ${pair%%=*} is $(reg_value "$hive" "$entry" "${pair%%=*}"), not \"${pair#*=}\""
done
[[ $(reg_value "$hive" "$entry" NoModify)$(reg_value "$hive" "$entry" NoRepair) == dword:00000001dword:00000001 ]] ||
    fail "the entry offers Modify or Repair"
product_icon=$(reg_value user.reg "$(products_key "$code")" ProductIcon)
[[ $product_icon == "\"$(windows_path "$icon_copy" | sed 's/\\/\\\\/g')\"" ]] ||
    fail "the entry's icon is $product_icon, not $(windows_path "$icon_copy")"
hklm=$(LC_ALL=C comm -13 "$work/hklm.fresh" <(reg_keys system.reg) |
    grep -vE '^Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\(Installer\\\\(UpgradeCodes|UserData)\\\\|Uninstall\\\\\{)' || true)
[[ -z $hklm ]] || fail "installing added keys to HKEY_LOCAL_MACHINE: $(paste -sd " " <<<"$hklm")"
say "the entry (${hive%.reg}.reg): Torvane, $version, $company, the icon $(windows_path "$icon_copy"), no address, no Modify or Repair; HKEY_LOCAL_MACHINE has only Windows Installer's records"

# The shortcut starts the installed program (its command line is the
# installed file), whose window shows its caption: the same bytes as the
# torvane.exe whose caption windows-check.sh checks. Alt+F4 ends it.
"$wine" start /wait "$(windows_path "$shortcut")" &
started=$!
pids=("$started" "${pids[@]}")
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Torvane ' | head -n 1)
[[ -n $window ]] || fail "the shortcut started no window"
caption=$(xdotool getwindowname "$window")
pid=$(xdotool getwindowpid "$window")
tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qiF "$(windows_path "$folder/torvane.exe")" ||
    fail "the window is not the installed program's: $(tr '\0' ' ' <"/proc/$pid/cmdline")"
xdotool key --window "$window" alt+F4 2>/dev/null
status=0
timeout 10 tail --pid="$started" -f /dev/null || fail "the program did not end on Alt+F4"
wait "$started" || status=$?
((status == 0)) || fail "the program ended with status $status"
"$wineserver" -w
say "the shortcut started $(windows_path "$folder/torvane.exe"): window '$caption'; Alt+F4 ended it with status 0"

# The same package again: nothing changes.
state >"$work/state.before"
expect "$(msiexec /i "$msi" /qn)" 0 "installing $(basename "$msi") again"
state >"$work/state.after"
diff "$work/state.before" "$work/state.after" >"$work/state.diff" ||
    fail "installing the same package again changed: $(head -n 20 "$work/state.diff")"
say "installed again: nothing changed"

# The older version over this one, with the dialogs a double-click gives:
# a message says that a newer version is installed; OK ends msiexec with
# 1603 (a fatal error), and nothing changes.
"$wine" msiexec /i "Z:${older//\//\\}" >/dev/null 2>&1 &
refused=$!
pids=("$refused" "${pids[@]}")
dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Install Failed$' | head -n 1)
[[ -n $dialog ]] || fail "installing $(basename "$older") over $version showed no message"
xdotool key --window "$dialog" Return 2>/dev/null
status=0
wait "$refused" || status=$?
"$wineserver" -w
expect "$status" 1603 "installing $(basename "$older") over $version"
[[ $(table "$msi" LaunchCondition | cut -f 2) == *"newer version of Torvane is already installed"* ]] ||
    fail "the message is not that a newer version is installed"
state >"$work/state.after"
diff "$work/state.before" "$work/state.after" >"$work/state.diff" ||
    fail "the refused older package changed: $(head -n 20 "$work/state.diff")"
say "$older_version over $version: refused with a message, status 1603, nothing changed"

# Uninstalling leaves no file, shortcut or entry: drive C is as fresh but
# for Windows Installer's folders, empty; the registry names the product
# nowhere.
gone() {
    files >"$work/files.now"
    local left
    left=$(LC_ALL=C comm -13 <(cut -d ' ' -f 4- "$work/files.fresh") <(cut -d ' ' -f 4- "$work/files.now") |
        grep -vxF -e "users/$user/AppData/Roaming/Microsoft/Installer" -e windows/Installer || true)
    [[ -z $left ]] || fail "$1 left files: $(paste -sd " " <<<"$left")"
    [[ -z $(find "$drive/windows/Installer" "$profile/AppData/Roaming/Microsoft/Installer" -mindepth 1 2>/dev/null) ]] ||
        fail "$1 left files in Windows Installer's folders"
    local c
    for c in "$code" "$(packed "$code")" "$older_code" "$(packed "$older_code")" "$(packed "$upgrade_code")" 'Software\\Torvane'; do
        grep -qiF "${c//[\{\}]/}" "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg" && fail "$1 left $c in the registry"
    done
    return 0
}
expect "$(msiexec /x "$msi" /qn)" 0 "msiexec /x $(basename "$msi") /qn"
gone "uninstalling"
say "uninstalled with /x /qn: no file, shortcut or entry left"

# The older version first, then this one: this one replaces it.
expect "$(msiexec /i "$older" /qn)" 0 "installing $(basename "$older")"
hive=$(entry_hive "$older_code")
[[ -n $hive && $(reg_value "$hive" "$(uninstall_key "$older_code")" DisplayVersion) == "\"$older_version\"" ]] ||
    fail "installed, $(basename "$older") has no entry of version $older_version"
expect "$(msiexec /i "$msi" /qn)" 0 "installing $(basename "$msi") over $older_version"
[[ -z $(entry_hive "$older_code") ]] || fail "after the upgrade, $older_version is still in Installed apps"
hive=$(entry_hive "$code")
[[ -n $hive && $(reg_value "$hive" "$(uninstall_key "$code")" DisplayVersion) == "\"$version\"" ]] ||
    fail "after the upgrade, no entry of version $version"
if ! cmp -s "$folder/torvane.exe" "$exe" || [[ ! -f $shortcut ]]; then
    fail "after the upgrade, the program or its shortcut is missing"
fi
expect "$(msiexec /x "$msi" /qn)" 0 "msiexec /x $(basename "$msi") /qn after the upgrade"
gone "uninstalling after the upgrade"
say "$older_version, then $version: $version replaced it (one entry, $version); uninstalled, nothing left"
