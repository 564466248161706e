// The output stage with the limiter engaged on processors with AVX-512: four sane samples
// at once (both channels of each, eight lanes), over a whole run. Lane for lane the same
// operations, in the same order and with the same fused steps, as the AVX2 form in
// output_stage_wide.cpp, so the two give identical results; this one issues half as many
// instructions.
#pragma once

#include "dsp/stereo_pair.h"

#include <cstdint>

#if TOLVANE_SSE2
// The same contract as finishRunWide: writes the first samples of the run and answers how
// many it wrote, stopping before a sample that took the checked path (groups of four first,
// then pairs through finishRunWide).
std::int32_t finishRunWidest(const StereoPair* y, const bool* checked, std::int32_t run,
                             double trim, double limiter, float* left, float* right) noexcept;
#endif
