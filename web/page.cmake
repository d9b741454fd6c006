# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Lays the page out as it is published, in PAGE: index.html; the program,
# its runtime and its data, gzipped (the page unpacks them: index.html says
# why); the manifest, the icons, the game's licence, the notices of what its
# program holds (tools/notices.py, from the linker's trace and the libraries'
# notices in LIBRARIES) and the licence of its font (a subset of the game's);
# then sw.js, which keeps every one of them, its cache named by a hash of
# their names and bytes; then ZIP, the folder's files at its top in a fixed
# order. The rest of what it needs is in SETTINGS (page-settings.cmake).
#   cmake -DSETTINGS=<page-settings.cmake> -DBUILD=<build-web> -DPAGE=<folder> -DZIP=<file> -P page.cmake
include("${SETTINGS}")
file(REMOVE_RECURSE "${PAGE}")
file(MAKE_DIRECTORY "${PAGE}")
file(COPY_FILE "${SOURCE}/index.html" "${PAGE}/index.html")
# The runtime names its data by a random id, which only a cache that the
# page does not use reads: the data's hash instead, so that it comes out the
# same twice.
file(READ "${BUILD}/pellmor.js" script)
file(SHA256 "${BUILD}/pellmor.data" data_hash)
string(REGEX REPLACE "\"package_uuid\":\"[^\"]*\"" "\"package_uuid\":\"${data_hash}\"" script "${script}")
file(WRITE "${PAGE}/pellmor.js" "${script}")
foreach(file pellmor.wasm pellmor.data)
  file(COPY_FILE "${BUILD}/${file}" "${PAGE}/${file}")
endforeach()
foreach(file pellmor.wasm pellmor.data pellmor.js)
  execute_process(COMMAND gzip -9 -n "${PAGE}/${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "Could not gzip ${file}")
  endif()
endforeach()
configure_file("${SOURCE}/pellmor.webmanifest" "${PAGE}/pellmor.webmanifest" @ONLY)  # it names the version
file(COPY "${SOURCE}/icons" DESTINATION "${PAGE}" FILES_MATCHING PATTERN "*.png")
file(COPY_FILE "${SOURCE}/licences.html" "${PAGE}/licences.html")  # the page's Licences link: the three below
file(COPY_FILE "${SOURCE}/../LICENSE" "${PAGE}/LICENSE.txt")
execute_process(COMMAND "${PYTHON}" "${SOURCE}/../tools/notices.py" "the page's program (pellmor.wasm and pellmor.js)"
                        "${BUILD}/pellmor.trace" "${LIBRARIES}" "${PROJECT_VERSION}" web "${PAGE}/NOTICES.txt"
                WORKING_DIRECTORY "${BUILD}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "The page's notices could not be made")
endif()
file(READ "${FONT_COPYRIGHT}" licence)
get_filename_component(font "${FONT}" NAME)
file(WRITE "${PAGE}/delusion.ttf-copyright.txt"
"delusion.ttf is Pellmor Score: of ${font}, only the characters of the
game's score line, unchanged, under a name of its own, as the SIL Open Font
License asks of a Modified Version. Its copyright and licence:

${licence}")

# The worker also keeps "./", the page by its folder's address, where an
# installed page starts.
file(GLOB_RECURSE files RELATIVE "${PAGE}" "${PAGE}/*")
list(SORT files)
set(hashes "")
set(PELLMOR_WEB_FILES "'./'")
foreach(file IN LISTS files)
  file(SHA256 "${PAGE}/${file}" hash)
  string(APPEND hashes "${file} ${hash}\n")
  string(APPEND PELLMOR_WEB_FILES ", '${file}'")
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING "${version}" 0 16 PELLMOR_WEB_VERSION)
configure_file("${SOURCE}/sw.js.in" "${PAGE}/sw.js" @ONLY)

set(FOLDER "${PAGE}")
include("${SOURCE}/../tools/pack-zip.cmake")
