# SPDX-License-Identifier: MIT
# Writes the site afresh into SITE: the page's files from FROM, the icons
# from ICON_DIR (the SVG, and the PNGs of ICON_SIZES, comma-separated) flat
# in icons/, and the service worker from SERVICE_WORKER,
# its cache named after a hash of all the other files (their names and
# contents, in byte order), so that the same files give the same site and
# any change gives a new cache. The script and its two WebAssembly modules
# are named after a hash of their contents, torvane-HASH.js naming
# torvane-HASH.wasm (FROM's, with SIMD) and torvane-nosimd-HASH.wasm (the
# build without SIMD's, in FROM/nosimd), and index.html naming the script: a
# page asks for its own build's module and can get no other. Nothing else is
# left in SITE.
# Usage: cmake -DSITE=... -DFROM=... -DICON_DIR=... -DAPP_ID=... -DICON_SIZES=16,... -DSERVICE_WORKER=... -P site.cmake
file(REMOVE_RECURSE "${SITE}")
file(MAKE_DIRECTORY "${SITE}/icons")
foreach(f IN ITEMS page.css manifest.webmanifest)
    file(COPY_FILE "${FROM}/${f}" "${SITE}/${f}")
endforeach()
# Replaces the one `from` in the file text `in` by `to`, into `out`.
function(rename_in out in from to)
    string(REPLACE "${from}" "" without "${${in}}")
    string(LENGTH "${${in}}" with_length)
    string(LENGTH "${without}" without_length)
    string(LENGTH "${from}" from_length)
    math(EXPR times "(${with_length} - ${without_length}) / ${from_length}")
    if(NOT times EQUAL 1)
        message(FATAL_ERROR "${from} is named ${times} times where it must be once")
    endif()
    string(REPLACE "${from}" "${to}" renamed "${${in}}")
    set(${out} "${renamed}" PARENT_SCOPE)
endfunction()
# Each module as torvane-SUFFIXHASH.wasm, its name in `out`.
function(copy_module out dir suffix)
    file(SHA256 "${dir}/torvane.wasm" sum)
    string(SUBSTRING "${sum}" 0 16 sum)
    set(${out} torvane-${suffix}${sum}.wasm PARENT_SCOPE)
    file(COPY_FILE "${dir}/torvane.wasm" "${SITE}/torvane-${suffix}${sum}.wasm")
endfunction()
copy_module(MODULE "${FROM}" "")
copy_module(MODULE_NOSIMD "${FROM}/nosimd/app/web" nosimd-)
# Both modules have the same imports and exports, so one script runs either.
file(READ "${FROM}/torvane.js" script)
file(READ "${FROM}/nosimd/app/web/torvane.js" script_nosimd)
if(NOT script STREQUAL script_nosimd)
    message(FATAL_ERROR "the scripts of the modules with and without SIMD differ")
endif()
# Whether the browser has WebAssembly SIMD: it validates the smallest
# module with SIMD instructions (a function of i8x16.splat and
# i8x16.popcnt). The script asks before it fetches its module, so a browser
# downloads one of the two, and the service worker keeps that one.
set(SIMD "(typeof WebAssembly=='object'&&WebAssembly.validate(new Uint8Array([0,97,115,109,1,0,0,0,1,5,1,96,0,1,123,3,2,1,0,10,10,1,8,0,65,0,253,15,253,98,11])))")
rename_in(script script "\"torvane.wasm\"" "(${SIMD}?\"${MODULE}\":\"${MODULE_NOSIMD}\")")
string(SHA256 sum "${script}")
string(SUBSTRING "${sum}" 0 16 sum)
file(WRITE "${SITE}/torvane-${sum}.js" "${script}")
file(READ "${FROM}/index.html" page)
rename_in(page page "src=\"torvane.js\"" "src=\"torvane-${sum}.js\"")
file(WRITE "${SITE}/index.html" "${page}")
file(COPY_FILE "${ICON_DIR}/scalable/apps/${APP_ID}.svg" "${SITE}/icons/${APP_ID}.svg")
string(REPLACE "," ";" sizes "${ICON_SIZES}")
foreach(size IN LISTS sizes)
    file(COPY_FILE "${ICON_DIR}/${size}x${size}/apps/${APP_ID}.png" "${SITE}/icons/${APP_ID}-${size}.png")
endforeach()

file(GLOB_RECURSE files RELATIVE "${SITE}" "${SITE}/*")
list(SORT files)
# As a web server's files are: readable by all, executable by none.
list(TRANSFORM files PREPEND "${SITE}/" OUTPUT_VARIABLE paths)
file(CHMOD ${paths} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(listing "")
set(cached "    './',\n")
foreach(f IN LISTS files)
    file(SHA256 "${SITE}/${f}" sum)
    string(APPEND listing "${sum}  ${f}\n")
    # The worker keeps one module: the one its browser runs.
    if(NOT f MATCHES "\\.wasm$")
        string(APPEND cached "    '${f}',\n")
    endif()
endforeach()
string(SHA256 hash "${listing}")
string(SUBSTRING "${hash}" 0 16 SITE_HASH)
string(REGEX REPLACE ",\n$" "" SITE_FILES "${cached}")
configure_file("${SERVICE_WORKER}" "${SITE}/sw.js" @ONLY)
