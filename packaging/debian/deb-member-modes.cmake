# SPDX-License-Identifier: MIT
# Run by cpack once it has written the .deb (CPACK_POST_BUILD_SCRIPTS; it
# copies the package to build/app/package/ afterwards). CPack's DEB generator
# gives the .deb's ar members (debian-binary, control.tar.gz, data.tar.gz)
# the modes its temporary files got from the umask, 0664 under umask 002,
# where dpkg-deb always writes 0644; so each member header's mode field is
# set to 0644 here. A .deb is "!<arch>\n" and then, per member, a 60-byte
# header (name 16, time 12, owner 6, group 6, mode 8 octal, size 10, "`\n")
# and its data, padded to an even length.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    file(READ "${deb}" magic LIMIT 8)
    if(NOT magic STREQUAL "!<arch>\n")
        message(FATAL_ERROR "${deb} is not an ar archive")
    endif()
    file(SIZE "${deb}" deb_size)
    set(offset 8)
    while(offset LESS deb_size)
        file(READ "${deb}" header OFFSET ${offset} LIMIT 60)
        string(SUBSTRING "${header}" 40 8 mode)
        string(SUBSTRING "${header}" 48 10 size)
        string(STRIP "${size}" size)
        if(NOT header MATCHES "`\n$" OR NOT size MATCHES "^[0-9]+$" OR NOT mode MATCHES "^100[0-7][0-7][0-7]  $")
            message(FATAL_ERROR "${deb}: no ar member header at byte ${offset}")
        endif()
        if(NOT mode STREQUAL "100644  ")
            math(EXPR at "${offset} + 40")
            execute_process(COMMAND sh -c "printf '100644  ' | dd of=\"$1\" bs=1 seek=\"$2\" conv=notrunc status=none"
                sh "${deb}" ${at} COMMAND_ERROR_IS_FATAL ANY)
        endif()
        math(EXPR offset "${offset} + 60 + ${size} + ${size} % 2")
    endwhile()
endforeach()
