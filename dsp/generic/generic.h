// The portable kernels (kernels.h): no instruction set's own code, the stereo pair whatever
// the build has. They are the baseline record, and the tails the vector kernels leave.
#pragma once

#include "dsp/kernels.h"

namespace generic {

kernel::CascadeRun cascadeRun;
kernel::StartSkewed startSkewed;
kernel::RunSkewed runSkewed;
kernel::DrainSkewed drainSkewed;
kernel::FiniteLength finiteLength;
kernel::FinishRun finishRun;
kernel::DetectorInputs detectorInputs;
kernel::MonoSum monoSum;
kernel::PeakMagnitude peakMagnitude;
kernel::Window window;
kernel::FftFirstStages fftFirstStages;
kernel::FftPart fftPart;
kernel::FftSplit fftSplit;
kernel::Levels levels;
kernel::Smooth smooth;

// The record of these kernels alone.
Kernels record() noexcept;

// Bins `from` .. `to` - 1 of the split pass, one at a time.
void splitPowers(const double* re, const double* im, const RealFftTables& tables, int from, int to,
                 double* power) noexcept;

} // namespace generic
