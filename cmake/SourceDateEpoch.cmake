# SPDX-License-Identifier: MIT
# The one time stamp of a build (SOURCE_DATE_EPOCH, seconds since 1970 UTC),
# so that every step that writes a time writes the same one and a build of
# the same source gives the same bytes. cmake/source_date_epoch_test.cmake
# pins each of the three ways it is found.

# torvane_source_date_epoch(OUT <var> ORIGIN <var> SOURCE_DIR <dir> CHANGELOG <file>
#                           [WATCH <var>])
# Sets <var> OUT to, in this order:
#   - SOURCE_DATE_EPOCH from the environment when it is set and not empty
#     (a packager's value wins; one that is not a whole number of seconds is
#     an error; empty counts as unset, as for rcc and CPack);
#   - the committer date of the last commit when SOURCE_DIR is the top of a
#     git checkout (not merely a folder inside someone else's checkout);
#   - the date of the top entry of the Debian changelog CHANGELOG, which a
#     source tarball carries.
# and ORIGIN to a few words saying which of them it was. WATCH is set to
# the file that git rewrites whenever the checkout moves to another commit
# (its HEAD's reflog), for a build to configure again then; empty if none.
function(torvane_source_date_epoch)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUT;ORIGIN;SOURCE_DIR;CHANGELOG;WATCH" "")
    if(arg_WATCH)
        set(${arg_WATCH} "" PARENT_SCOPE)
    endif()
    if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
        set(epoch "$ENV{SOURCE_DATE_EPOCH}")
        if(NOT epoch MATCHES "^[0-9]+$")
            message(FATAL_ERROR "SOURCE_DATE_EPOCH is '${epoch}', not a whole number of seconds since 1970")
        endif()
        set(${arg_OUT} "${epoch}" PARENT_SCOPE)
        set(${arg_ORIGIN} "the environment" PARENT_SCOPE)
        return()
    endif()

    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --show-toplevel
            WORKING_DIRECTORY "${arg_SOURCE_DIR}"
            RESULT_VARIABLE failed OUTPUT_VARIABLE top ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT failed)
            file(REAL_PATH "${top}" top)
            file(REAL_PATH "${arg_SOURCE_DIR}" source_dir)
        endif()
        if(NOT failed AND top STREQUAL source_dir)
            execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
                WORKING_DIRECTORY "${arg_SOURCE_DIR}"
                RESULT_VARIABLE failed OUTPUT_VARIABLE epoch ERROR_VARIABLE error
                OUTPUT_STRIP_TRAILING_WHITESPACE)
            if(NOT failed AND epoch MATCHES "^[0-9]+$")
                execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --git-path logs/HEAD
                    WORKING_DIRECTORY "${arg_SOURCE_DIR}"
                    OUTPUT_VARIABLE reflog ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
                file(REAL_PATH "${reflog}" reflog BASE_DIRECTORY "${arg_SOURCE_DIR}")
                if(arg_WATCH AND EXISTS "${reflog}")
                    set(${arg_WATCH} "${reflog}" PARENT_SCOPE)
                endif()
                set(${arg_OUT} "${epoch}" PARENT_SCOPE)
                set(${arg_ORIGIN} "the last commit" PARENT_SCOPE)
                return()
            endif()
            # A checkout whose history git cannot read (no commit yet, or
            # owned by another user) still builds, from the changelog.
            message(WARNING "git log gives no commit date (${error}); the build's date is the changelog's")
        endif()
    endif()

    torvane_changelog_epoch("${arg_CHANGELOG}" epoch)
    set(${arg_OUT} "${epoch}" PARENT_SCOPE)
    set(${arg_ORIGIN} "the changelog's top entry" PARENT_SCOPE)
endfunction()

# The date of the top entry of a Debian changelog, whose trailer line reads
# " -- Name <address>  Tue, 08 Dec 2026 00:00:00 +0000" (RFC 5322 date, the
# offset is the local time's from UTC), as seconds since 1970 UTC.
function(torvane_changelog_epoch changelog out)
    file(STRINGS "${changelog}" trailer REGEX "^ -- " LIMIT_COUNT 1)
    set(date_re "^ -- .*>  [A-Z][a-z][a-z], ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ([0-9][0-9]):([0-9][0-9]):([0-9][0-9]) ([+-])([0-9][0-9])([0-9][0-9])$")
    if(NOT trailer MATCHES "${date_re}")
        message(FATAL_ERROR "${changelog}: the top entry has no trailer line with a date ('${trailer}')")
    endif()
    set(day ${CMAKE_MATCH_1})
    set(year ${CMAKE_MATCH_3})
    set(hour ${CMAKE_MATCH_4})
    set(minute ${CMAKE_MATCH_5})
    set(second ${CMAKE_MATCH_6})
    set(sign ${CMAKE_MATCH_7})
    set(offset_hours ${CMAKE_MATCH_8})
    set(offset_minutes ${CMAKE_MATCH_9})
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND months "${CMAKE_MATCH_2}" month)
    if(month EQUAL -1 OR year LESS 1970 OR day LESS 1 OR day GREATER 31 OR hour GREATER 23
       OR minute GREATER 59 OR second GREATER 59 OR offset_minutes GREATER 59)
        message(FATAL_ERROR "${changelog}: the top entry's date is not a valid date ('${trailer}')")
    endif()

    # Days since 1970-01-01 of the civil date: the year is counted from March,
    # so that the leap day is the last day of its year; a 400-year era has
    # 146097 days, and 719468 is the day number of 1970-01-01 from 0000-03-01.
    # Every value is positive (year >= 1969 after the shift), so the integer
    # divisions round down as the calendar needs.
    math(EXPR month "${month} + 1")
    if(month LESS_EQUAL 2)
        math(EXPR year "${year} - 1")
        math(EXPR month_from_march "${month} + 9")
    else()
        math(EXPR month_from_march "${month} - 3")
    endif()
    math(EXPR era "${year} / 400")
    math(EXPR year_of_era "${year} - ${era} * 400")
    math(EXPR day_of_year "(153 * ${month_from_march} + 2) / 5 + ${day} - 1")
    math(EXPR day_of_era "${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year}")
    math(EXPR days "${era} * 146097 + ${day_of_era} - 719468")
    math(EXPR epoch "${days} * 86400 + ${hour} * 3600 + ${minute} * 60 + ${second}
                     - (${sign}1) * (${offset_hours} * 3600 + ${offset_minutes} * 60)")
    if(epoch LESS 0)
        message(FATAL_ERROR "${changelog}: the top entry's date is before 1970 ('${trailer}')")
    endif()
    set(${out} ${epoch} PARENT_SCOPE)
endfunction()
