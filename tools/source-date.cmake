# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# The time that the files of a release carry, so that it comes out the same
# twice: the caller's SOURCE_DATE_EPOCH, else the last commit's time: as a
# release's source tarball has it (commit-time.cmake), or as git tells it in
# a checkout; else the release's date. Sets
# SOURCE_DATE_EPOCH, and SOURCE_DATE, the same as "YYYY-MM-DD hh:mm:ss UTC".
#   set(SOURCE <the source tree>) set(RELEASE_DATE <YYYY-MM-DD>) include(source-date.cmake)
set(SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
if(NOT SOURCE_DATE_EPOCH)
  include("${CMAKE_CURRENT_LIST_DIR}/commit-time.cmake")
  if(COMMIT_TIME MATCHES "^[0-9]+$")
    set(SOURCE_DATE_EPOCH "${COMMIT_TIME}")
  endif()
endif()
if(NOT SOURCE_DATE_EPOCH)
  execute_process(COMMAND git -C "${SOURCE}" log -1 --format=%ct OUTPUT_VARIABLE SOURCE_DATE_EPOCH
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  execute_process(COMMAND date -u -d "${RELEASE_DATE}" +%s OUTPUT_VARIABLE SOURCE_DATE_EPOCH
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
execute_process(COMMAND date -u -d "@${SOURCE_DATE_EPOCH}" "+%Y-%m-%d %H:%M:%S UTC" OUTPUT_VARIABLE SOURCE_DATE
                OUTPUT_STRIP_TRAILING_WHITESPACE)
