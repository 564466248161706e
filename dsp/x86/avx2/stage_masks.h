// Lane masks for a 256-bit register that holds two stages (both channels of each): all ones
// in the lanes of the stages a step updates. Bit 0 picks the register's lower stage (lanes
// 0-1), bit 1 its upper one (lanes 2-3).
#pragma once

#include "dsp/x86/avx2/lanes.h"

#include <cstdint>

alignas(32) inline constexpr std::int64_t kStagePairMasks[4][4] = {
    {0, 0, 0, 0}, {-1, -1, 0, 0}, {0, 0, -1, -1}, {-1, -1, -1, -1}};

// The lanes of register r (stages 2r and 2r + 1) whose stage s has low <= s <= high.
TOLVANE_AVX2_LANE __m256d stagePairLanes(int low, int high, int r) {
    const int lower = 2 * r;
    const int bits =
        (low <= lower && lower <= high ? 1 : 0) | (low <= lower + 1 && lower + 1 <= high ? 2 : 0);
    return _mm256_load_pd(reinterpret_cast<const double*>(kStagePairMasks[bits]));
}
