// What the libFuzzer programs share: the engine's output thrown away (the fuzzer reports on
// standard error), and a failed invariant turned into a crash the fuzzer keeps.
#pragma once

#include <cstdio>
#include <cstdlib>

inline int fuzz_entry_initialize() {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::fclose(stdout);
    return 0;
}

inline int fuzz_entry_result(const char* problem) {
    if (problem != nullptr) {
        std::fprintf(stderr, "engine invariant failed: %s\n", problem);
        std::abort();
    }
    return 0;
}
