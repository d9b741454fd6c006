// A test's own definition of a library function (a double), and the way to
// the library's own one from it.
//
// Linux: the double comes first in the link or the preload, and the
// library's function is found after it with dlsym(RTLD_NEXT).
// Windows: SDL is linked statically, where SDL_Delay shares an archive member
// with the other timer calls, so the test is linked with -Wl,--wrap=NAME: the
// double is __wrap_NAME and the library's function __real_NAME.
#pragma once

#ifdef _WIN32

#define TEST_DOUBLE(name) __wrap_##name
#define DECLARE_REAL(name) extern "C" decltype(name) __real_##name
#define REAL(name) __real_##name

#else

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

template <typename F>
F real_function(const char* name)
{
    void* f = dlsym(RTLD_NEXT, name);
    if (!f) {
        std::fprintf(stderr, "test double: no %s after it\n", name);
        std::_Exit(99);
    }
    return reinterpret_cast<F>(f);
}

#define TEST_DOUBLE(name) name
#define DECLARE_REAL(name) static_assert(true, "")
// Looked up once per function.
#define REAL(name) ([] { static const auto f = real_function<decltype(&name)>(#name); return f; }())

#endif
