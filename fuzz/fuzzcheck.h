#pragma once

// A property that fails stops the fuzzer on the spot, so that libFuzzer saves the input
// that broke it next to the crash report.

#include <cstdio>
#include <cstdlib>

#define FUZZ_REQUIRE(condition)                                                            \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__,      \
                         #condition);                                                      \
            std::abort();                                                                  \
        }                                                                                  \
    } while (false)
