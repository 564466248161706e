#include "dsp/peak_level.h"

#include "dsp/kernels.h"

float peakMagnitude(const float* samples, std::int32_t count) noexcept {
    return count > 0 ? kernels().peakMagnitude(samples, count) : 0.0f;
}
