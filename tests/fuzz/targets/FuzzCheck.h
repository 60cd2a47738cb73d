#pragma once
// What a fuzz target insists on besides not crashing. A broken promise
// aborts, so libFuzzer keeps the input and the replay test fails. Messages
// start with "ERROR:", the lines libFuzzer's fork mode passes on.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                         \
    do {                                                                                         \
        if (!(cond)) {                                                                           \
            std::fprintf(stderr, "ERROR: %s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)
