// The kernels for processors with AVX2 and FMA (kernels.h): the cascade's and the output
// stage's multiply-adds fused, the analyser four bins at a time.
#pragma once

#include "dsp/kernels.h"

namespace avx2 {

kernel::CascadeRun cascadeRun;
kernel::StartSkewed startSkewed;
kernel::RunSkewed runSkewed;
kernel::DrainSkewed drainSkewed;
kernel::FinishRun finishRun;
// The output stage's checked frames (a channel infinite or not a number) over again in the
// baseline's one-value form, after a wide kernel has run every frame of the run: the wide
// and widest output stages share it, so their checked frames agree too.
kernel::FinishRun finishChecked;
kernel::DetectorInputs detectorInputs;
kernel::Window window;
kernel::FftPart fftPart;
kernel::FftSplit fftSplit;
kernel::Levels levels;
kernel::Smooth smooth;

} // namespace avx2
