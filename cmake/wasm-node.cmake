# SPDX-License-Identifier: MIT
# Emscripten (Debian's) for programs that run under Node: the preset
# `web-node` uses it, and its tests run under node. Each program is one .js
# file with the WebAssembly inside, compiled at once as it loads: the loader
# of Debian's Emscripten 3.1.6 fails under Node 18 and later when it fetches
# a separate .wasm by its file path. Emscripten's JavaScript optimizer needs
# Debian's acorn: NODE_PATH=/usr/share/nodejs (the preset sets it).
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-sENVIRONMENT=node -sSINGLE_FILE=1 -sWASM_ASYNC_COMPILATION=0 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1")
find_program(TORVANE_NODE NAMES node nodejs NO_CMAKE_FIND_ROOT_PATH)
if(TORVANE_NODE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TORVANE_NODE})
endif()
