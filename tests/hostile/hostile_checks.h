// The hostile host: a VST 2.4 host that does everything the interface allows and much it
// does not, through the record's slots only (dispatcher, setParameter, getParameter,
// processReplacing, process). Each case below is table-driven; a driver hands in the
// plug-in's entry function and its way of reporting, see Harness.
//
// Two drivers run the same cases: tests/hostile/hostile_host_test.cpp (GoogleTest, the
// plug-in linked in under the sanitizers) and tests/wine/hostile_check.cpp (Tolvane-Q.dll
// under wine).
#pragma once

#include "tests/hostile/hostile_bursts.h"
#include "tests/hostile/hostile_bypass.h"
#include "tests/hostile/hostile_close_race.h"
#include "tests/hostile/hostile_opcodes.h"
#include "tests/hostile/hostile_parameters.h"
#include "tests/hostile/hostile_rates.h"
#include "tests/hostile/hostile_threads.h"

namespace hostile {

inline void checkAllBursts(const Harness& h) {
    for (const BurstRow& row : kBurstRows) {
        checkBurst(h, row);
    }
}

inline void checkAllRates(const Harness& h) {
    for (const RateChange change : {RateChange::MidStream, RateChange::FreshInstance}) {
        for (const RateRow& row : kRateRows) {
            checkRate(h, row, change);
        }
    }
}

inline void checkAllBypassToggles(const Harness& h) {
    for (const BypassRow& row : bypassRows()) {
        checkBypassToggle(h, row);
    }
}

struct NamedCase {
    const char* name;
    void (*run)(const Harness& h);
};

// Every case by the name a driver can ask for.
inline constexpr NamedCase kCases[] = {
    {"opcodes", checkOpcodeSweep},
    {"parameters", checkParameterAbuse},
    {"bursts", checkAllBursts},
    {"rates", checkAllRates},
    {"bypass", checkAllBypassToggles},
    {"threads", checkManyInstances},
    {"close_race", checkCloseWhileProcessing},
};

} // namespace hostile
