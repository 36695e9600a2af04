// A failed expectation inside a fuzz target: print what broke and abort, so
// that libFuzzer reports the input as a crash and keeps it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                                \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "fuzz check failed: %s (%s) at %s:%d\n", what, #condition,        \
                         __FILE__, __LINE__);                                                      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
