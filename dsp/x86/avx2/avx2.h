// The kernels for processors with AVX2 and FMA (kernels.h): the cascade's and the output
// stage's multiply-adds fused, the analyser four bins at a time.
#pragma once

#include "dsp/kernels.h"

namespace avx2 {

kernel::CascadeRun cascadeRun;
kernel::FinishRun finishRun;
kernel::DetectorInputs detectorInputs;
kernel::Window window;
kernel::FftPart fftPart;
kernel::FftSplit fftSplit;
kernel::Levels levels;
kernel::Smooth smooth;

} // namespace avx2
