// The wider vector path gives the baseline path's output bit for bit, over programme
// material with the limiter at several settings, so either may run on a user's machine.
#include "dsp/vector_path.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

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

TEST(VectorPaths, WideAndBaselineAreBitIdentical) {
    if (!wideVectorsInUse()) {
        GTEST_SKIP() << "this processor has no AVX2: only the baseline path exists here";
    }
    for (const float limiter : {0.02f, 0.5f, 0.92f, 1.0f}) {
        const dsptest::StereoSignal wide = render(false, limiter);
        const dsptest::StereoSignal baseline = render(true, limiter);
        EXPECT_EQ(wide.left, baseline.left) << limiter;
        EXPECT_EQ(wide.right, baseline.right) << limiter;
    }
}

} // namespace
