# SPDX-License-Identifier: MIT
# Read by cpack before it builds the package (CPACK_PROJECT_CONFIG_FILE):
# the build's time stamp, decided when the build was configured, for the
# archive members' times (CMake's archive writer reads SOURCE_DATE_EPOCH) and
# for every tool cpack runs.
set(ENV{SOURCE_DATE_EPOCH} "${CPACK_TORVANE_SOURCE_DATE_EPOCH}")
