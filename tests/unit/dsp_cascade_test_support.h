// Random stable cascades for the tests that hold the fast cascades to the wide one bit for
// bit, and the comparison of their states.
#pragma once

#include "dsp/cascade.h"

#include <cmath>
#include <cstring>
#include <random>

namespace dsptest {

// Stable biquad coefficients: poles inside the unit circle, zeros anywhere.
inline void randomCoefficients(CascadeStage& k, std::mt19937& random) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_real_distribution<double> radius(0.3, 0.995);
    const double r = radius(random);
    const double angle = std::acos(unit(random));
    k.b0 = splat(unit(random));
    k.b1 = splat(unit(random));
    k.b2 = splat(unit(random));
    k.a1 = splat(-2.0 * r * std::cos(angle));
    k.a2 = splat(r * r);
}

// `stages` such stages with nonzero running states.
inline Cascade randomCascade(std::size_t stages, std::mt19937& random) {
    std::uniform_real_distribution<double> state(-0.1, 0.1);
    Cascade c;
    c.count = stages;
    c.complete = true;
    for (std::size_t s = 0; s < stages; ++s) {
        randomCoefficients(c.stages[s], random);
        c.stages[s].s1 = pairOf(state(random), state(random));
        c.stages[s].s2 = pairOf(state(random), state(random));
        c.stages[s].filter = static_cast<std::uint32_t>(s);
    }
    return c;
}

inline bool sameStates(const Cascade& a, const Cascade& b) {
    for (std::size_t s = 0; s < a.count; ++s) {
        if (std::memcmp(&a.stages[s].s1, &b.stages[s].s1, sizeof(StereoPair)) != 0 ||
            std::memcmp(&a.stages[s].s2, &b.stages[s].s2, sizeof(StereoPair)) != 0) {
            return false;
        }
    }
    return true;
}

} // namespace dsptest
