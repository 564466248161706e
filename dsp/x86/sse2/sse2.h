// The SSE2 kernels (every x86-64 processor): the portable ones (generic/) where the pair
// already makes them two lanes wide, these where four floats or two bins at a time pay.
#pragma once

#include "dsp/kernels.h"

namespace sse2 {

kernel::FiniteLength finiteLength;
kernel::MonoSum monoSum;
kernel::PeakMagnitude peakMagnitude;
kernel::Window window;
kernel::Levels levels;
kernel::Smooth smooth;

} // namespace sse2
