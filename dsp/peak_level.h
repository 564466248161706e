// The largest magnitude in a block of samples, for the output meters. NaN and infinite
// samples count as silence: a meter at infinity would never decay again.
#pragma once

#include <cstdint>

// 0 for an empty block (count <= 0).
float peakMagnitude(const float* samples, std::int32_t count) noexcept;
