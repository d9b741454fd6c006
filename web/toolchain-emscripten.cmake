# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Browser build with Debian's Emscripten (package emscripten).
#
# PELLMOR_WEB_PREFIX is where SDL 1.2, SDL_ttf 2.0 and FreeType were built
# for the browser as static libraries (web/build-deps.sh does it); their
# pkg-config files are read from there first.
execute_process(COMMAND em-config EMSCRIPTEN_ROOT OUTPUT_VARIABLE emscripten_root OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "em-config failed: is Debian's emscripten installed?")
endif()
include("${emscripten_root}/cmake/Modules/Platform/Emscripten.cmake")

if(NOT PELLMOR_WEB_PREFIX)
  set(PELLMOR_WEB_PREFIX "$ENV{PELLMOR_WEB_PREFIX}")
endif()
if(NOT PELLMOR_WEB_PREFIX)
  message(FATAL_ERROR "Set PELLMOR_WEB_PREFIX to the folder with SDL and SDL_ttf for the browser")
endif()
set(PELLMOR_WEB_PREFIX "${PELLMOR_WEB_PREFIX}" CACHE PATH "SDL, SDL_ttf and FreeType for the browser")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PELLMOR_WEB_PREFIX)
list(APPEND CMAKE_FIND_ROOT_PATH "${PELLMOR_WEB_PREFIX}")

# Emscripten's platform file, read again after this one, may point
# pkg-config's default folder at Emscripten's own, whose sdl.pc is its
# JavaScript SDL's (3.1.69 does): the prefix goes on the path before it.
set(ENV{PKG_CONFIG_LIBDIR} "${PELLMOR_WEB_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "${PELLMOR_WEB_PREFIX}/lib/pkgconfig")

# Built for the smallest page: optimised for size, across the game and its
# libraries at link time. Without exceptions, which nothing throws: with
# them on, Emscripten 6 (Debian 14's) cannot link C++ at link time
# ("undefined symbol: __cxa_increment_exception_refcount").
set(CMAKE_C_FLAGS_RELEASE_INIT "-Oz -flto -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE_INIT "-Oz -flto -fno-exceptions -DNDEBUG")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-Oz -flto -fno-exceptions")
