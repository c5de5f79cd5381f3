# SPDX-License-Identifier: MIT
# Cross-compiling for 64-bit Arm Linux with Debian's g++-aarch64-linux-gnu:
# the preset `aarch64` uses it. Its tests run under qemu-aarch64, with the
# target's C and C++ libraries from Debian's cross packages.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(triple aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)

# Headers, libraries and packages only from the target's tree: find_package
# must not find the build machine's Qt or GoogleTest.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(TORVANE_QEMU qemu-aarch64 NO_CMAKE_FIND_ROOT_PATH)
if(TORVANE_QEMU)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TORVANE_QEMU} -L /usr/${triple})
endif()
