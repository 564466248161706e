// The pass/fail tally of the X11 test hosts: one line per check, then "N passed, N failed";
// the failure count is the exit status. Plus the one deadline every wait shares.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace xcheck {

// The machine running these checks may be loaded: a wait is for an event (a paint seen, a
// parameter changed, N audio blocks processed), and only this deadline, far beyond any
// normal run, ends a wait that never comes, so that it fails loudly instead of hanging.
constexpr std::chrono::milliseconds kDeadline{60000};

struct Tally {
    int passed = 0;
    int failed = 0;
};

inline Tally& tally() {
    static Tally t;
    return t;
}

inline bool check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "PASS" : "FAIL", what.c_str());
    ++(ok ? tally().passed : tally().failed);
    return ok;
}

// The exit status: 0 when every check passed, 1 otherwise (never the count, which would
// wrap at 256).
inline int finish() {
    std::printf("%d passed, %d failed\n", tally().passed, tally().failed);
    std::fflush(stdout);
    return tally().failed == 0 ? 0 : 1;
}

inline std::string str(long long v) {
    return std::to_string(v);
}

} // namespace xcheck
