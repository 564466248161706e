// The analyser's levels over a lane type, one loop for every instruction set's kernel: each
// bin's power as its level in dB rounded to single precision, quiet bins (power at most
// 1e-10, the floor the logarithm is taken at) -80. The logarithm (formulas.h) runs in two
// passes over slices of 64 bins, log10Parts and then the rest: one long chain of dependent
// steps per bin fills the processor's scheduler with steps waiting on the division, while
// each pass's shorter chains let it keep many bins in flight.
//
// The lane policy L brings L::V (the lane type), L::kWidth (its doubles), L::load, L::store,
// L::parts (log10Parts of positive lanes, from their bits) and L::singlePrecision (each
// lane rounded to a float and back).
#pragma once

#include "dsp/formulas.h"

#include <algorithm>

namespace spectrum_levels {

// Bins 0 .. count - 1 in groups of L::kWidth; answers how many it did (the rest, fewer than
// L::kWidth, is the caller's).
template <class L> inline int inTwoPasses(double* power, int count, double binScaleDb) {
    using V = typename L::V;
    constexpr int kSlice = 64;
    const V floor = splatAs<V>(1e-10);
    double t[kSlice], exponent[kSlice];
    int k = 0;
    while (k + L::kWidth <= count) {
        const int end = k + std::min(count - k, kSlice) / L::kWidth * L::kWidth;
        for (int i = k; i < end; i += L::kWidth) {
            const Log10Parts<V> parts = L::parts(maxOf(L::load(power + i), floor));
            L::store(t + (i - k), parts.t);
            L::store(exponent + (i - k), parts.exponent);
        }
        for (int i = k; i < end; i += L::kWidth) {
            const Log10Parts<V> parts{L::load(t + (i - k)), L::load(exponent + (i - k))};
            const V level = mulAdd(splatAs<V>(10.0), log10FromParts(parts), splatAs<V>(binScaleDb));
            const auto loud = lessThan(floor, L::load(power + i));
            L::store(power + i, select(loud, L::singlePrecision(level), splatAs<V>(-80.0)));
        }
        k = end;
    }
    return k;
}

} // namespace spectrum_levels
