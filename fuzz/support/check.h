// A property check of the fuzz targets: on failure it names the property and aborts, which
// libFuzzer records as a crash with its input and the replay reports as a failed test.
#pragma once

#include <cstdio>
#include <cstdlib>

#define QEL_FUZZ_REQUIRE(condition, what)                                                          \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property broken: %s\n  (%s)\n", __FILE__, __LINE__, what, \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
