// The pass/fail tally of the X11 test hosts: one line per check, then "N passed, N failed";
// the failure count is the exit status. Plus the one deadline every wait shares.
#pragma once

#include "tests/vst3/check_tally.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace xcheck {

// The machine running these checks may be loaded: a wait is for an event (a paint seen, a
// parameter changed, N audio blocks processed), and only this deadline, far beyond any
// normal run, ends a wait that never comes, so that it fails loudly instead of hanging.
constexpr std::chrono::milliseconds kDeadline{60000};

inline bool check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "PASS" : "FAIL", what.c_str());
    return checktally::note(ok);
}

using checktally::finish;

inline std::string str(long long v) {
    return std::to_string(v);
}

} // namespace xcheck
