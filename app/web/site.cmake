# SPDX-License-Identifier: MIT
# Writes the site afresh into SITE: the page's files from FROM, the icons
# from ICON_DIR (the SVG, and the PNGs of ICON_SIZES, comma-separated) flat
# in icons/, and the service worker from SERVICE_WORKER,
# its cache named after a hash of all the other files (their names and
# contents, in byte order), so that the same files give the same site and
# any change gives a new cache. Nothing else is left in SITE.
# Usage: cmake -DSITE=... -DFROM=... -DICON_DIR=... -DAPP_ID=... -DICON_SIZES=16,... -DSERVICE_WORKER=... -P site.cmake
file(REMOVE_RECURSE "${SITE}")
file(MAKE_DIRECTORY "${SITE}/icons")
foreach(f IN ITEMS index.html page.css manifest.webmanifest torvane.js torvane.wasm)
    file(COPY_FILE "${FROM}/${f}" "${SITE}/${f}")
endforeach()
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
