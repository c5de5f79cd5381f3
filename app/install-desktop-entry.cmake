# SPDX-License-Identifier: MIT
# Run by `cmake --install` (and CPack): writes the menu entry with Exec set to
# the installed program's full path and installs it. Given TORVANE_ENTRY_TEMPLATE,
# TORVANE_ENTRY_STAGED, TORVANE_ENTRY_DIR and TORVANE_EXEC by app/CMakeLists.txt.
cmake_policy(VERSION 3.25)

# An Exec value with spaces, quotes or other reserved characters would need
# quoting by the desktop entry's rules; refuse such a path rather than write
# an entry that starts nothing.
if(NOT TORVANE_EXEC MATCHES "^[A-Za-z0-9_./+@:,=-]+$")
    message(FATAL_ERROR "The menu entry cannot name the program at '${TORVANE_EXEC}': "
        "install to a prefix of letters, digits and . _ / + @ : , = - only.")
endif()

file(READ "${TORVANE_ENTRY_TEMPLATE}" entry)
# The template's leading comment is about the template.
string(REGEX REPLACE "^(#[^\n]*\n)+" "" entry "${entry}")
string(CONFIGURE "${entry}" entry @ONLY)
file(WRITE "${TORVANE_ENTRY_STAGED}" "${entry}")
file(INSTALL "${TORVANE_ENTRY_STAGED}" DESTINATION "${TORVANE_ENTRY_DIR}")
