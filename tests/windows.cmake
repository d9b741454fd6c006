# The Windows build's tests, run under Wine (the toolchain file makes it
# CMake's emulator), headless, in a Wine prefix of their own:
#   board_test, frame_test   the board and the rules in the test process
#   wine_game_test           the zip's pellmor.exe, and a scripted copy of it
set(wine "${CMAKE_CROSSCOMPILING_EMULATOR}")
if(NOT wine)
  message(WARNING "wine not found: the Windows tests are built but not run")
  return()
endif()

# GoogleTest from Debian's source package googletest, built for Windows.
set(GOOGLETEST_SOURCE /usr/src/googletest/googletest CACHE PATH "GoogleTest's source")
set(gtest_disable_pthreads ON CACHE BOOL "Windows threads, not pthreads" FORCE)
add_subdirectory("${GOOGLETEST_SOURCE}" googletest EXCLUDE_FROM_ALL)

add_executable(board_test board_test.cpp)
target_link_libraries(board_test PRIVATE pellmor_game gtest_main)

add_executable(frame_test frame_test.cpp)
target_link_libraries(frame_test PRIVATE pellmor_game test_screen gtest_main)
target_link_options(frame_test PRIVATE LINKER:--wrap=SDL_Delay LINKER:--wrap=SDL_Flip)

# The game with the key script linked in (the preload's Windows form).
set(wrapped SDL_GetKeyState SDL_PollEvent SDL_Delay SDL_Flip SDL_WM_ToggleFullScreen SDL_WM_SetCaption
            SDL_ShowCursor SDL_SetVideoMode SDL_RWFromFile SDL_LoadBMP_RW SDL_SetColorKey TTF_RenderText_Solid SDL_FreeSurface SDL_Quit)
list(TRANSFORM wrapped PREPEND "LINKER:--wrap=")
add_executable(pellmor_scripted "${PROJECT_SOURCE_DIR}/src/main.cpp" keyscript.cpp)
target_link_libraries(pellmor_scripted PRIVATE pellmor_game)
target_link_options(pellmor_scripted PRIVATE ${wrapped})

add_executable(referee_cli referee_cli.cpp)
target_link_libraries(referee_cli PRIVATE test_screen)

set(wine_prefix "${CMAKE_BINARY_DIR}/wine-prefix")
set(wine_environment SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy WINEDEBUG=-all "WINEPREFIX=${wine_prefix}")

# Made once, before the tests that share it start in parallel.
add_test(NAME wine_prefix COMMAND "${wine}" wineboot --init)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${wine_environment}")

add_test(NAME board_test COMMAND board_test)
add_test(NAME frame_test COMMAND frame_test)
add_test(NAME wine_game_test
  COMMAND bash "${CMAKE_CURRENT_SOURCE_DIR}/wine_game_test.sh" "${wine}" "${CMAKE_BINARY_DIR}/pellmor-windows.zip"
          "$<TARGET_FILE:pellmor_scripted>" "$<TARGET_FILE:referee_cli>")
set_tests_properties(board_test frame_test wine_game_test PROPERTIES
  FIXTURES_REQUIRED wine ENVIRONMENT "${wine_environment}")
