// The pass/fail count of the test programs that run without GoogleTest (the hosts under
// wine, the X11 hosts, the stand-in for GoogleTest), and their closing line.
#pragma once

#include <cstdio>

namespace checktally {

struct Count {
    int passed = 0;
    int failed = 0;
};

inline Count& count() {
    static Count c;
    return c;
}

// Counts one check; answers `ok`.
inline bool note(bool ok) {
    ++(ok ? count().passed : count().failed);
    return ok;
}

// Prints "N passed, N failed"; answers the exit status: 0 when every check passed, 1
// otherwise (a count of failures would wrap at 256 and could read as success).
inline int finish() {
    std::printf("%d passed, %d failed\n", count().passed, count().failed);
    std::fflush(stdout);
    return count().failed == 0 ? 0 : 1;
}

} // namespace checktally
