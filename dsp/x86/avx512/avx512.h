// The kernels for processors with AVX-512 (kernels.h): the same fused steps, in the same
// order, as the AVX2 kernels, so the two give identical results. The cascades keep their
// states and the detector in the larger register file (cascade.cpp) or run skewed, two
// stages per register (skewed.cpp); the output stage takes four samples at once.
#pragma once

#include "dsp/kernels.h"

namespace avx512 {

kernel::CascadeRun cascadeRun;
kernel::StartSkewed startSkewed;
kernel::RunSkewed runSkewed;
kernel::DrainSkewed drainSkewed;
kernel::FinishRun finishRun;
kernel::Levels levels;

} // namespace avx512
