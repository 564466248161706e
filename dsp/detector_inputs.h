// The detector's input (detectorInput, detector.h) of a whole run at once, for the cascades
// that run the detector between their own steps on processors with AVX2.
#pragma once

#include "dsp/stereo_pair.h"

#include <cstdint>

#if TOLVANE_SSE2
// detectorInput of each of `count` samples into `inputs`, eight at a time: the magnitudes
// and the garbage test in single precision (exact: both limits are floats), widened to
// double at the end. Same values as detectorInput.
void detectorInputsWide(const float* left, const float* right, std::int32_t count,
                        double* inputs) noexcept;
#endif
