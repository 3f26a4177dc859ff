#pragma once

#include <cstdio>
#include <cstdlib>

// A property every parse result must keep, whatever bytes came in. A broken
// one aborts, so libFuzzer keeps the input like any crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
