# SPDX-License-Identifier: MIT
# GoogleTest for a cross build, built from Debian's sources (package
# googletest, /usr/src/googletest) with the cross compiler: find_package
# would find the build machine's libraries, which the target cannot link.
# Gives the targets find_package(GTest) gives, GTest::gtest and
# GTest::gtest_main. No threads: the tests run one thread, and a Windows
# build then needs no winpthread.
set(TORVANE_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources, for cross builds")
if(NOT EXISTS ${TORVANE_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${TORVANE_GOOGLETEST_SOURCE} (Debian: apt install googletest)")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${TORVANE_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
# GoogleTest 1.11 and later name them so themselves.
if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
endif()
