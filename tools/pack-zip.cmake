# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Packs the files of FOLDER (and FOLDER itself when PREFIX is set, as the
# zip's top folder) into ZIP so that it comes out the same twice: in the
# order of their names, readable by all (and runnable, the programs, which
# STRIP strips when it is set), dated SOURCE_DATE_EPOCH, with Info-ZIP's zip
# (libarchive's would keep when each file was written). A zip keeps local
# times of day: UTC's.
#   cmake -DFOLDER=<folder> [-DPREFIX=ON] [-DSTRIP=<strip>] -DZIP=<file> -DSOURCE=<source tree>
#         -DRELEASE_DATE=<date> -P pack-zip.cmake
include("${CMAKE_CURRENT_LIST_DIR}/source-date.cmake")
find_program(ZIP_PROGRAM zip)
if(NOT ZIP_PROGRAM)
  message(FATAL_ERROR "Packing ${ZIP} needs Info-ZIP's zip: install Debian's zip")
endif()
set(ENV{TZ} UTC)
file(GLOB_RECURSE files RELATIVE "${FOLDER}" "${FOLDER}/*")
list(SORT files)
foreach(file IN LISTS files)
  set(mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  if(file MATCHES "\\.exe$")
    list(APPEND mode OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
    if(STRIP)  # which would write the time it strips into a Windows program
      execute_process(COMMAND "${CMAKE_COMMAND}" -E env "SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH}"
                              "${STRIP}" --strip-all "${FOLDER}/${file}")
    endif()
  endif()
  file(CHMOD "${FOLDER}/${file}" PERMISSIONS ${mode})
  execute_process(COMMAND touch -d "@${SOURCE_DATE_EPOCH}" "${FOLDER}/${file}")
endforeach()
get_filename_component(top "${FOLDER}" NAME)
get_filename_component(above "${FOLDER}" DIRECTORY)
set(from "${FOLDER}")
if(PREFIX)
  list(TRANSFORM files PREPEND "${top}/")
  set(from "${above}")
endif()
file(REMOVE "${ZIP}")
execute_process(COMMAND "${ZIP_PROGRAM}" -X -D -9 -q "${ZIP}" ${files} WORKING_DIRECTORY "${from}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "Could not pack ${ZIP}")
endif()
