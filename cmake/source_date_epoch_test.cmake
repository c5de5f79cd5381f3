# SPDX-License-Identifier: MIT
# The build's time stamp (SourceDateEpoch.cmake) from each of its three
# places: changelog dates with their known seconds (as GNU date gives them),
# a source tree without git that lies inside another checkout, a checkout of
# its own, and the environment, whose malformed value stops the build.
# Usage: cmake -DSCRATCH=<empty folder> -P source_date_epoch_test.cmake
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/SourceDateEpoch.cmake")
unset(ENV{SOURCE_DATE_EPOCH})

function(expect what actual expected)
    if(NOT actual STREQUAL expected)
        message(SEND_ERROR "${what}: '${actual}', expected '${expected}'")
    endif()
endfunction()

function(write_changelog dir date)
    file(WRITE "${dir}/changelog" "torvane (1.0-2) unstable; urgency=medium\n\n  * Later.\n\n"
        " -- A B <a@example.org>  ${date}\n\n"
        "torvane (1.0-1) unstable; urgency=medium\n\n  * First.\n\n"
        " -- A B <a@example.org>  Thu, 01 Jan 1970 00:00:00 +0000\n")
endfunction()

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}/tarball")

# Leap days, offsets east and west of UTC with minutes, a one-digit day,
# years around the century rules.
foreach(row IN ITEMS
        "Tue, 08 Dec 2026 00:00:00 +0000=1796688000"
        "Thu, 01 Jan 1970 00:00:00 +0000=0"
        "Mon, 29 Feb 2016 23:59:59 -0130=1456795799"
        "Sat, 01 Mar 2025 01:00:00 +1400=1740740400"
        "Tue, 29 Feb 2000 12:34:56 +0000=951827696"
        "Wed, 1 Mar 2100 12:00:00 +0000=4107585600"
        "Fri, 31 Dec 2038 23:59:59 +0000=2177452799")
    string(REPLACE "=" ";" row "${row}")
    list(GET row 0 date)
    list(GET row 1 seconds)
    write_changelog("${SCRATCH}/tarball" "${date}")
    torvane_changelog_epoch("${SCRATCH}/tarball/changelog" epoch)
    expect("changelog date ${date}" "${epoch}" "${seconds}")
endforeach()

# A tree without .git of its own, even inside another checkout (SCRATCH is
# in the build folder, which may lie in the source checkout), takes the
# changelog's date.
write_changelog("${SCRATCH}/tarball" "Sat, 01 Mar 2025 01:00:00 +1400")
torvane_source_date_epoch(OUT epoch ORIGIN origin
    SOURCE_DIR "${SCRATCH}/tarball" CHANGELOG "${SCRATCH}/tarball/changelog")
expect("tarball" "${epoch} from ${origin}" "1740740400 from the changelog's top entry")

# A checkout of its own takes its last commit's date, not the changelog's.
find_package(Git REQUIRED)
set(ENV{GIT_COMMITTER_DATE} "@1700000000 +0300")
set(ENV{GIT_AUTHOR_DATE} "@1600000000 +0000")
set(git "${GIT_EXECUTABLE}" -c user.name=A -c user.email=a@example.org -c init.defaultBranch=main)
execute_process(COMMAND ${git} init -q COMMAND_ERROR_IS_FATAL ANY WORKING_DIRECTORY "${SCRATCH}/tarball")
execute_process(COMMAND ${git} add changelog COMMAND_ERROR_IS_FATAL ANY WORKING_DIRECTORY "${SCRATCH}/tarball")
execute_process(COMMAND ${git} commit -q -m First COMMAND_ERROR_IS_FATAL ANY WORKING_DIRECTORY "${SCRATCH}/tarball")
torvane_source_date_epoch(OUT epoch ORIGIN origin WATCH reflog
    SOURCE_DIR "${SCRATCH}/tarball" CHANGELOG "${SCRATCH}/tarball/changelog")
expect("checkout" "${epoch} from ${origin}" "1700000000 from the last commit")
expect("checkout's reflog" "${reflog}" "${SCRATCH}/tarball/.git/logs/HEAD")

# The environment's value wins over both.
set(ENV{SOURCE_DATE_EPOCH} 1234567890)
torvane_source_date_epoch(OUT epoch ORIGIN origin
    SOURCE_DIR "${SCRATCH}/tarball" CHANGELOG "${SCRATCH}/tarball/changelog")
expect("environment" "${epoch} from ${origin}" "1234567890 from the environment")

# A malformed value or changelog date is an error, not a silent fallback.
file(WRITE "${SCRATCH}/call.cmake" "include(\"${CMAKE_CURRENT_LIST_DIR}/SourceDateEpoch.cmake\")\n"
    "torvane_source_date_epoch(OUT e ORIGIN o SOURCE_DIR \"${SCRATCH}\" CHANGELOG \"${SCRATCH}/bad\")\n")
file(WRITE "${SCRATCH}/bad" " -- A B <a@example.org>  Tue, 08 Dex 2026 00:00:00 +0000\n")
foreach(value IN ITEMS "12ab" "-5" "1.5" " 7")
    set(ENV{SOURCE_DATE_EPOCH} "${value}")
    execute_process(COMMAND "${CMAKE_COMMAND}" -P "${SCRATCH}/call.cmake"
        RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
    if(result EQUAL 0)
        message(SEND_ERROR "SOURCE_DATE_EPOCH='${value}' was taken")
    endif()
endforeach()
unset(ENV{SOURCE_DATE_EPOCH})
execute_process(COMMAND "${CMAKE_COMMAND}" -P "${SCRATCH}/call.cmake"
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(result EQUAL 0)
    message(SEND_ERROR "a changelog date with month 'Dex' was taken")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
