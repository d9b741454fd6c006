# SPDX-FileCopyrightText: 2026 The Pellmor developers
# SPDX-License-Identifier: MIT
# The Windows build's own tests, frame_test (the board and the rules in the test process) and present_test (the
# presenter in its SDL), run under Wine (CMake's emulator, from the toolchain file) headless in a Wine prefix of its
# own; the Linux build's runners try the rest with this build's scripted game and its zip's pellmor.exe.

# The game with the key script linked in, the preload's Windows form.
set(wrapped SDL_GetKeyState SDL_PollEvent SDL_Delay SDL_Flip SDL_WM_ToggleFullScreen SDL_WM_SetCaption SDL_ShowCursor
            SDL_SetVideoMode SDL_RWFromFile SDL_LoadBMP_RW SDL_SetColorKey TTF_RenderText_Solid SDL_FreeSurface SDL_Quit)
list(TRANSFORM wrapped PREPEND "LINKER:--wrap=")
add_executable(pellmor_scripted "${PROJECT_SOURCE_DIR}/src/main.cpp" keyscript.cpp)
target_link_libraries(pellmor_scripted PRIVATE pellmor_game)
target_link_options(pellmor_scripted PRIVATE ${wrapped})

set(wine "${CMAKE_CROSSCOMPILING_EMULATOR}")
if(NOT wine)
  message(WARNING "wine not found: the Windows tests are built but not run")
  return()
endif()

# GoogleTest from Debian's source package googletest, built for Windows.
set(GOOGLETEST_SOURCE /usr/src/googletest/googletest CACHE PATH "GoogleTest's source")
set(gtest_disable_pthreads ON CACHE BOOL "Windows threads, not pthreads" FORCE)
add_subdirectory("${GOOGLETEST_SOURCE}" googletest EXCLUDE_FROM_ALL)
add_executable(frame_test frame_test.cpp)
target_link_libraries(frame_test PRIVATE pellmor_game test_screen gtest_main)
target_link_options(frame_test PRIVATE LINKER:--wrap=SDL_Delay LINKER:--wrap=SDL_Flip)

# The prefix, made before the tests that share it start.
set(wine_environment SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy WINEDEBUG=-all "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix")
add_test(NAME wine_prefix COMMAND "${wine}" wineboot --init)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${wine_environment}")
add_test(NAME frame_test COMMAND frame_test)
set_tests_properties(frame_test PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${wine_environment}")
# The presenter, which this build's SDL has in its core, and how that core notes the game's drawing for it.
add_executable(present_test present_test.cpp)
target_include_directories(present_test PRIVATE "${PROJECT_SOURCE_DIR}/platform")
target_link_libraries(present_test PRIVATE sdl_libraries gtest_main)
add_test(NAME present_test COMMAND present_test)
set_tests_properties(present_test PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${wine_environment}")
