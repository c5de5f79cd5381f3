# SPDX-License-Identifier: MIT
# Writes the site afresh into SITE: the page's files from FROM, the icons
# from ICON_DIR (the SVG, and the PNGs of ICON_SIZES, comma-separated) flat
# in icons/, and the service worker from SERVICE_WORKER,
# its cache named after a hash of all the other files (their names and
# contents, in byte order), so that the same files give the same site and
# any change gives a new cache. The script and its WebAssembly module are
# named after a hash of their contents, torvane-HASH.js naming
# torvane-HASH.wasm and index.html naming the script: a page asks for its
# own build's module and can get no other. Nothing else is left in SITE.
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
file(SHA256 "${FROM}/torvane.wasm" sum)
string(SUBSTRING "${sum}" 0 16 sum)
set(module torvane-${sum}.wasm)
file(COPY_FILE "${FROM}/torvane.wasm" "${SITE}/${module}")
file(READ "${FROM}/torvane.js" script)
rename_in(script script "\"torvane.wasm\"" "\"${module}\"")
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
    string(APPEND cached "    '${f}',\n")
endforeach()
string(SHA256 hash "${listing}")
string(SUBSTRING "${hash}" 0 16 SITE_HASH)
string(REGEX REPLACE ",\n$" "" SITE_FILES "${cached}")
configure_file("${SERVICE_WORKER}" "${SITE}/sw.js" @ONLY)
