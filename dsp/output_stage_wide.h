// The output stage with the limiter engaged for two sane samples at once (both channels of
// each in one 256-bit register), on processors with AVX2. The operations and their order
// are those of the two-lane form in process_block.cpp, so the results are bit-identical.
#pragma once

#include "dsp/stereo_pair.h"

#if TOLVANE_SSE2
// `y`: the cascade's output for two samples; `trim`, `limiter`: the block's output stage.
void finishTwoWide(const StereoPair* y, double trim, double limiter, float* left,
                   float* right) noexcept;
#endif
