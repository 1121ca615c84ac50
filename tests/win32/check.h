// A few checks for the Windows test programs, which run under Wine with
// nothing but the system's own DLLs: no test framework, just a count.
#pragma once

#include <cstdio>

namespace check {
inline int passed = 0;
inline int failed = 0;

inline void That(bool ok, const char* what, const char* file, int line) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("%s:%d: failed: %s\n", file, line, what);
    }
}

// Prints the tally; the process exit code is 0 only when nothing failed.
inline int Summary(const char* name) {
    std::printf("%s: %d passed, %d failed\n", name, passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
}  // namespace check

#define CHECK(condition) check::That((condition), #condition, __FILE__, __LINE__)
