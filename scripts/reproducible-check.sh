#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package and the Windows program twice, varied as a
# distribution's rebuild varies them, and fails unless the two .deb files,
# the two torvane.exe, the two .zip and the two .msi files are the same
# bytes (cmp). Each
# build is `make package windows` in a fresh clone of the commit, the clones in two folders
# of different depths, with different time zones, locales, umasks, home
# folders and job counts, started at least two seconds apart, and without
# SOURCE_DATE_EPOCH in the environment (the build takes the commit's date).
# It also checks that no installed file, nor the .exe or the .msi, holds
# either clone's folder. On a difference it lists the package's members that differ and
# keeps both builds.
# It builds committed state only: uncommitted changes are not in the clones.
# Usage: reproducible-check.sh [CHECKOUT]   (default: the one holding this script)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(git -C "${1:-$here/..}" rev-parse --show-toplevel)
commit=$(git -C "$repo" rev-parse HEAD)
"$here/install-deps.sh" app package windows
work=
fail() {
    echo "reproducible-check: $*${work:+ (the builds are kept in $work)}" >&2
    exit 1
}
if [[ -n $(git -C "$repo" status --porcelain --untracked-files=no) ]]; then
    echo "reproducible-check: note: uncommitted changes in $repo are not in the builds"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/torvane-repro.XXXXXX")
commit_time=$(git -C "$repo" log -1 --format=%ct "$commit")
# A locale other than C.UTF-8 where one is installed, else plain C.
other_locale=$(locale -a 2>/dev/null | grep -viE '^(C|C\.utf-?8|POSIX)$' | head -n1 || true)
other_locale=${other_locale:-C}
# Build 1 and build 2: folder, time zone (a POSIX rule, which needs no
# tzdata: UTC+14 as on Kiritimati), locale, umask, parallel jobs.
dirs=("$work/a" "$work/second-build/in/a/folder/much/deeper/down")
zones=("UTC0" "<+14>-14")
locales=("C.UTF-8" "$other_locale")
umasks=(022 002)
jobs=(2 1)

debs=()
exes=()
zips=()
msis=()
started=()
for i in 0 1; do
    if ((i == 1)); then
        # Time stamps taken from the clock would differ by whole seconds.
        while (($(date +%s) - started[0] < 2)); do sleep 1; done
    fi
    started+=("$(date +%s)")
    dir=${dirs[$i]}
    log=$work/build$((i + 1)).log
    echo "== build $((i + 1)): ${dir#"$work"/} TZ=${zones[$i]} LC_ALL=${locales[$i]} umask ${umasks[$i]} -j${jobs[$i]}"
    mkdir -p "$(dirname "$dir")" "$work/home$((i + 1))"
    if ! (
        umask "${umasks[$i]}"
        git clone --quiet --no-checkout "$repo" "$dir"
        git -C "$dir" checkout --quiet --detach "$commit"
        cd "$dir"
        env -u SOURCE_DATE_EPOCH TZ="${zones[$i]}" LC_ALL="${locales[$i]}" LANG="${locales[$i]}" \
            HOME="$work/home$((i + 1))" CMAKE_BUILD_PARALLEL_LEVEL="${jobs[$i]}" make package windows
    ) >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        fail "build $((i + 1)) failed; its log is $log"
    fi
    deb=("$dir"/build/app/package/*.deb)
    [[ ${#deb[@]} -eq 1 && -f ${deb[0]} ]] || fail "build $((i + 1)) made no single .deb: ${deb[*]}"
    debs+=("${deb[0]}")
    zip=("$dir"/build/windows/torvane-*-windows-x86_64.zip)
    [[ ${#zip[@]} -eq 1 && -f ${zip[0]} ]] || fail "build $((i + 1)) made no single .zip: ${zip[*]}"
    exes+=("$dir/build/windows/app/win32/torvane.exe")
    zips+=("${zip[0]}")
    msi=("$dir"/build/windows/torvane-*-windows-x86_64.msi)
    [[ ${#msi[@]} -eq 1 && -f ${msi[0]} ]] || fail "build $((i + 1)) made no single .msi: ${msi[*]}"
    msis+=("${msi[0]}")
    sha256sum "${deb[0]}" "${exes[$i]}" "${zip[0]}" "${msi[0]}" | sed "s|  $work/|  |"
done

# The Windows program: the same bytes, no build folder in it or in its
# installer, the archive's members all with the commit's time, and the
# installer's summary too (its cabinet's file times, which it installs,
# scripts/msi-check.sh compares with the summary's).
for i in 0 1; do
    for file in "${exes[$i]}" "${msis[$i]}"; do
        text=$(strings -a "$file" && strings -a -el "$file")
        for path in "${dirs[@]}" "$repo"; do
            if grep -qF "$path" <<<"$text"; then
                fail "$(basename "$file") (build $((i + 1))) holds the build folder $path"
            fi
        done
    done
    for field in Created "Last saved"; do
        stamp=$(TZ=UTC0 msiinfo suminfo "${msis[$i]}" | sed -n "s/^$field: //p")
        [[ $(TZ=UTC0 date -d "$stamp" +%s) == "$commit_time" ]] ||
            fail "build $((i + 1)): the .msi's summary says $field $stamp, not the commit's time"
    done
    times=$(TZ=UTC0 unzip -Z -T "${zips[$i]}" | awk '/^-/ { print $(NF - 1) }' | sort -u)
    # A zip time counts whole pairs of seconds.
    [[ $times == "$(TZ=UTC0 date -d "@$((commit_time - commit_time % 2))" '+%Y%m%d.%H%M%S')" ]] ||
        fail "build $((i + 1)): the .zip members' times are not the commit's: $(echo $times)"
done
cmp "${exes[0]}" "${exes[1]}" || fail "not reproducible: the two torvane.exe differ"
cmp "${zips[0]}" "${zips[1]}" || fail "not reproducible: the two .zip files differ"
if ! cmp "${msis[0]}" "${msis[1]}"; then
    # What differs: the summary, then each table as msitools exports it.
    for i in 0 1; do
        mkdir -p "$work/msi$i"
        msiinfo suminfo "${msis[$i]}" >"$work/msi$i/_SummaryInformation"
        msiinfo streams "${msis[$i]}" >"$work/msi$i/_Streams"
        for table in $(msiinfo tables "${msis[$i]}"); do
            msiinfo export "${msis[$i]}" "$table" >"$work/msi$i/$table"
        done
    done
    diff -r "$work/msi0" "$work/msi1" | sed 's/^/  .msi: /' >&2 || true
    fail "not reproducible: the two .msi files differ"
fi
echo "reproducible-check: the two torvane.exe, the two $(basename "${zips[0]}") and the two $(basename "${msis[0]}") are identical"

# Every installed file, decompressed where gzip'd, as `strings` reads it:
# neither clone's folder (nor the checkout's) may appear.
for i in 0 1; do
    tree=$work/installed$((i + 1))
    dpkg-deb --extract "${debs[$i]}" "$tree"
    while IFS= read -r -d '' file; do
        if [[ $file == *.gz ]]; then text=$(gzip -dc "$file" | strings -a); else text=$(strings -a "$file"); fi
        for path in "${dirs[@]}" "$repo"; do
            if grep -qF "$path" <<<"$text"; then
                fail "${file#"$tree"/} (build $((i + 1))) holds the build folder $path"
            fi
        done
    done < <(find "$tree" -type f -print0)
    # CPack lists md5sums in the order it finds the files; sorted, that order
    # cannot depend on the file system.
    dpkg-deb --ctrl-tarfile "${debs[$i]}" | tar -xOf - ./md5sums | cut -c35- | LC_ALL=C sort -c ||
        fail "md5sums of build $((i + 1)) is not in byte order"
    # Every member of both tar archives carries the commit's time.
    times=$( (dpkg-deb --ctrl-tarfile "${debs[$i]}" && dpkg-deb --fsys-tarfile "${debs[$i]}") |
        TZ=UTC0 tar -tv --full-time -i -f - | awk '{print $4 " " $5}' | sort -u)
    [[ $times == "$(TZ=UTC0 date -d "@$commit_time" '+%F %T')" ]] ||
        fail "build $((i + 1)): the archive members' times are not the commit's ($(TZ=UTC0 date -d "@$commit_time" '+%F %T')): $(echo $times)"
done

if cmp -s "${debs[0]}" "${debs[1]}"; then
    echo "reproducible-check: the two builds of $(git -C "$repo" log -1 --format='%h (%cd)' --date=iso-strict "$commit") are identical"
    rm -rf "$work"
    exit 0
fi

# What differs: the .deb's ar members, then inside control.tar and data.tar
# each member's metadata (mode, owner, size, time) and contents.
echo "reproducible-check: the two packages differ; the members that differ:" >&2
for i in 1 2; do
    mkdir -p "$work/ar$i" "$work/control$i" "$work/data$i"
    (cd "$work/ar$i" && ar x "${debs[$((i - 1))]}")
    ar tv "${debs[$((i - 1))]}" >"$work/ar$i.list"
    dpkg-deb --control "${debs[$((i - 1))]}" "$work/control$i"
    dpkg-deb --extract "${debs[$((i - 1))]}" "$work/data$i"
    dpkg-deb --ctrl-tarfile "${debs[$((i - 1))]}" | tar -tv --full-time --numeric-owner -f - >"$work/control$i.list"
    dpkg-deb --fsys-tarfile "${debs[$((i - 1))]}" | tar -tv --full-time --numeric-owner -f - >"$work/data$i.list"
done
diff "$work/ar1.list" "$work/ar2.list" | sed 's/^/  ar listing: /' >&2 || true
for member in $(ls "$work/ar1" "$work/ar2" | grep -v ':$' | sort -u); do
    cmp -s "$work/ar1/$member" "$work/ar2/$member" 2>/dev/null || echo "  ar member $member" >&2
done
for part in control data; do
    diff "$work/$part"1.list "$work/$part"2.list | sed "s/^/  $part.tar metadata: /" >&2 || true
    diff -rq "$work/$part"1 "$work/$part"2 | sed "s|$work/${part}1/*||; s|$work/${part}2/*||; s/^/  $part.tar contents: /" >&2 || true
done
fail "not reproducible: ${debs[0]#"$work"/} and ${debs[1]#"$work"/} differ"
