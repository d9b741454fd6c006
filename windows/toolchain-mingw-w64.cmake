# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# Cross build for Windows with Debian's MinGW-w64: 64-bit by default
# (g++-mingw-w64-x86-64), 32-bit with PELLMOR_MINGW_TRIPLET=i686-w64-mingw32
# (g++-mingw-w64-i686), set as a CMake or an environment variable.
#
# PELLMOR_WINDOWS_PREFIX is where SDL 1.2, SDL_ttf 2.0 and FreeType were
# installed as static libraries for Windows (windows/build-deps.sh does it);
# their pkg-config files are read from there and nowhere else.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT PELLMOR_MINGW_TRIPLET)
  set(PELLMOR_MINGW_TRIPLET "$ENV{PELLMOR_MINGW_TRIPLET}")
endif()
if(NOT PELLMOR_MINGW_TRIPLET)
  set(PELLMOR_MINGW_TRIPLET x86_64-w64-mingw32)
endif()
set(triplet "${PELLMOR_MINGW_TRIPLET}")
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR "${triplet}")

# The compilers of the posix thread model: GoogleTest needs std::mutex, which
# the win32 model lacks. The game links everything statically, the thread
# library included, so no DLL comes of it.
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)

if(NOT PELLMOR_WINDOWS_PREFIX)
  set(PELLMOR_WINDOWS_PREFIX "$ENV{PELLMOR_WINDOWS_PREFIX}")
endif()
if(NOT PELLMOR_WINDOWS_PREFIX)
  message(FATAL_ERROR "Set PELLMOR_WINDOWS_PREFIX to the folder with SDL and SDL_ttf for MinGW-w64")
endif()
set(PELLMOR_WINDOWS_PREFIX "${PELLMOR_WINDOWS_PREFIX}" CACHE PATH "SDL, SDL_ttf and FreeType for MinGW-w64")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PELLMOR_WINDOWS_PREFIX PELLMOR_MINGW_TRIPLET)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet} "${PELLMOR_WINDOWS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(ENV{PKG_CONFIG_LIBDIR} "${PELLMOR_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Tests of the cross build run their programs under Wine.
find_program(PELLMOR_WINE NAMES wine)
if(PELLMOR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${PELLMOR_WINE}")
endif()
