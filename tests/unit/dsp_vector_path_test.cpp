// The wider vector path (fused multiply-adds in the cascade) gives the baseline path's
// output to within the float output's own rounding, over programme material with the
// limiter at several settings, so either may run on a user's machine.
#include "dsp/vector_path.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

dsptest::StereoSignal render(bool baseline, float limiter) {
    forceBaselineVectors(baseline);
    auto inst = dsptest::makeInstance();
    setParam(*inst, ParamLimiter, limiter);
    setParam(*inst, ParamOutputTrim, 0.8f); // hot enough that the limiter really works
    rebuildFilters(*inst);
    dsptest::StereoSignal s = dsptest::musicLikeSignal(48000);
    dsptest::processInBlocks(*inst, s, 301);
    forceBaselineVectors(false);
    return s;
}

float largestDifference(const std::vector<float>& a, const std::vector<float>& b) {
    float largest = a.size() == b.size() ? 0.0f : INFINITY;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        largest = std::max(largest, std::fabs(a[i] - b[i]));
    }
    return largest;
}

TEST(VectorPaths, WideAndBaselineAgreeWithinTheOutputRounding) {
    if (!wideVectorsInUse()) {
        GTEST_SKIP() << "this processor has no AVX2: only the baseline path exists here";
    }
    for (const float limiter : {0.02f, 0.5f, 0.92f, 1.0f}) {
        const dsptest::StereoSignal wide = render(false, limiter);
        const dsptest::StereoSignal baseline = render(true, limiter);
        // A few float steps at full scale; NaN would fail the comparison too.
        EXPECT_LE(largestDifference(wide.left, baseline.left), 2.5e-7f) << limiter;
        EXPECT_LE(largestDifference(wide.right, baseline.right), 2.5e-7f) << limiter;
    }
}

} // namespace
