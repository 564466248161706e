// The meters' block peak: the largest finite magnitude, whatever the block's length, its
// alignment and the non-finite samples in it.
#include "dsp/peak_level.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

float plainPeak(const float* x, int n) {
    float peak = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float m = std::fabs(x[i]);
        if (std::isfinite(m) && m > peak) {
            peak = m;
        }
    }
    return peak;
}

} // namespace

TEST(PeakLevel, LargestFiniteMagnitudeAtEveryLengthAndOffset) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(),
                         -0.0f,
                         1e-42f,
                         std::numeric_limits<float>::max(),
                         -3.5f};
    std::vector<float> block(80);
    for (int round = 0; round < 200; ++round) {
        for (float& v : block) {
            v = sample(random);
        }
        for (int k = 0; k < round % 6; ++k) { // a few odd values anywhere
            block[random() % block.size()] = odd[random() % std::size(odd)];
        }
        for (int offset = 0; offset < 4; ++offset) {
            for (int n = 0; n + offset <= 41; ++n) {
                EXPECT_EQ(peakMagnitude(block.data() + offset, n),
                          plainPeak(block.data() + offset, n))
                    << "round " << round << " offset " << offset << " length " << n;
            }
        }
    }
}

TEST(PeakLevel, NothingButNonFiniteSamplesIsSilence) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> block = {nan, inf, -inf, nan, inf, -inf, nan, inf, -inf};
    EXPECT_EQ(peakMagnitude(block.data(), static_cast<std::int32_t>(block.size())), 0.0f);
    EXPECT_EQ(peakMagnitude(block.data(), 0), 0.0f);
    EXPECT_EQ(peakMagnitude(block.data(), -5), 0.0f);
}
