// The output stage with the limiter engaged on processors with AVX2 and FMA: two sane
// samples at once (both channels of each in one 256-bit register), over a whole run, with
// fused multiply-adds. The formula and its approximations are those of the two-lane form in
// process_block.cpp; the results agree with it to within the float output's rounding.
#pragma once

#include "dsp/stereo_pair.h"

#include <cstdint>

#if TOLVANE_SSE2
// `y`: the cascade's output for the run; `checked`: samples that took the checked path,
// which this leaves to the caller; `trim`, `limiter`: the block's output stage. Writes the
// first samples of the run in pairs and answers how many it wrote: it stops before a pair
// that holds a checked sample, or before a last single sample.
std::int32_t finishRunWide(const StereoPair* y, const bool* checked, std::int32_t run, double trim,
                           double limiter, float* left, float* right) noexcept;
#endif
