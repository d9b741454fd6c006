// SPDX-FileCopyrightText: 2026 The Pellmor developers
// SPDX-License-Identifier: MIT

// A test's own definition of a library function (a double), and the way to the library's own one from it.
//
// Linux: the double comes first in the link or the preload, and the library's function is found after it with
// dlsym(RTLD_NEXT), once per function. Windows: SDL is linked statically, where SDL_Delay shares an archive member
// with the other timer calls, so the test is linked with -Wl,--wrap=NAME: the double is __wrap_NAME and the
// library's function __real_NAME.
#pragma once

#ifdef _WIN32
#define TEST_DOUBLE(name) __wrap_##name
#define DECLARE_REAL(name) extern "C" decltype(name) __real_##name
#define REAL(name) __real_##name
#else
#include <dlfcn.h>
#define TEST_DOUBLE(name) name
#define DECLARE_REAL(name) static_assert(true, "")
#define REAL(name) ([] { static const auto f = reinterpret_cast<decltype(&name)>(dlsym(RTLD_NEXT, #name)); return f; }())
#endif
