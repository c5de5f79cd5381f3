# SPDX-License-Identifier: MIT
# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the posix
# thread model, g++-mingw-w64-x86-64-posix): the preset `windows` uses it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_SYSTEM_VERSION 10.0)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

# Headers, libraries and packages only from the Windows tree: find_package
# must not find Linux's Qt or GoogleTest. Programs run on this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program one file that runs on any Windows: the C++ runtime, libgcc
# and winpthread linked in, no DLLs of mingw-w64's beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Test programs run under wine, where there is one (test preset
# windows-test).
find_program(TORVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TORVANE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TORVANE_WINE})
endif()
