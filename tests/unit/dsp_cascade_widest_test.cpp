// The widest cascade keeps stage states and the detector in registers and takes long
// cascades a group of stages at a time; none of that may change a bit of what the wide one
// computes: outputs, states, detector, and where each stops before a sample that is not
// sane. Random stable stages, 0 to 24 of them (across the group boundaries).
#include "dsp/kernels.h"
#include "tests/unit/dsp_cascade_test_support.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Runner = decltype(Kernels::cascadeRun);

struct Outcome {
    std::vector<std::int32_t> taken; // each call's answer, until the run is used up
    std::vector<StereoPair> y;
    Cascade cascade;
    DetectorState detector;
};

// Calls `run` the way the audio path does: again after each stop, past the sample it
// stopped at (which the caller would take on the checked path).
Outcome runAll(Runner run, Cascade cascade, DetectorState detector, const Engine& engine,
               const std::vector<float>& left, const std::vector<float>& right,
               std::int32_t detectFrom, double saneLimit) {
    Outcome o;
    const auto count = static_cast<std::int32_t>(left.size());
    o.y.assign(left.size(), pairOf(-7.0, -7.0));
    for (std::int32_t i = 0; i < count;) {
        const std::int32_t taken =
            run(cascade, engine.detectorTerms, detector, detectFrom - i, left.data() + i,
                right.data() + i, o.y.data() + i, count - i, saneLimit);
        o.taken.push_back(taken);
        i += taken + (i + taken < count ? 1 : 0);
    }
    o.cascade = cascade;
    o.detector = detector;
    return o;
}

// The widest and the wide kernels, or a skip where the processor (or TOLVANE_VECTOR_PATH)
// leaves out the widest.
bool bothKernels(Runner& wide, Runner& widest) {
    const Kernels* w = kernelsFor(VectorPath::Wide);
    const Kernels* ww = kernelsFor(VectorPath::Widest);
    if (w == nullptr || ww == nullptr) {
        return false;
    }
    wide = w->cascadeRun;
    widest = ww->cascadeRun;
    return true;
}

TEST(WidestCascade, GivesTheWideCascadesBitsForEveryStageCount) {
    Runner runCascadeWide = nullptr, runCascadeWidest = nullptr;
    if (!bothKernels(runCascadeWide, runCascadeWidest)) {
        GTEST_SKIP() << "no AVX-512 path here: the widest kernels do not run";
    }
    const auto engine = dsptest::makeInstance();
    const dsptest::StereoSignal music = dsptest::musicLikeSignal(4096);
    std::mt19937 random(2024);
    std::uniform_int_distribution<std::size_t> offset(0, music.left.size() - 64);
    for (std::size_t stages = 0; stages <= 24; ++stages) {
        for (int trial = 0; trial < 6; ++trial) {
            const Cascade cascade = dsptest::randomCascade(stages, random);
            const std::size_t from = offset(random);
            const auto length = static_cast<std::size_t>(1 + trial * 11); // 1 to 56 samples
            std::vector<float> left(music.left.begin() + from, music.left.begin() + from + length);
            std::vector<float> right(music.right.begin() + from,
                                     music.right.begin() + from + length);
            // Louder than the detector's garbage limit in some trials: it must drop them the
            // same way on both paths.
            if (trial % 3 == 2) {
                left[length / 2] = 2.0e6f;
            }
            const std::int32_t detectFrom = trial % 2;
            DetectorState detector = engine->detector;
            detector.peakHold = 0.02 * (trial + 1);
            const Outcome wide =
                runAll(runCascadeWide, cascade, detector, *engine, left, right, detectFrom, 1e100);
            const Outcome widest = runAll(runCascadeWidest, cascade, detector, *engine, left, right,
                                          detectFrom, 1e100);
            const std::string where =
                std::to_string(stages) + " stages, trial " + std::to_string(trial);
            ASSERT_EQ(widest.y.size(), wide.y.size()) << where;
            EXPECT_EQ(
                std::memcmp(widest.y.data(), wide.y.data(), wide.y.size() * sizeof(StereoPair)), 0)
                << where;
            EXPECT_TRUE(dsptest::sameStates(widest.cascade, wide.cascade)) << where;
            EXPECT_TRUE(widest.detector == wide.detector) << where;
        }
    }
}

TEST(WidestCascade, StopsBeforeEachSampleThatIsNotSane) {
    Runner runCascadeWide = nullptr, runCascadeWidest = nullptr;
    if (!bothKernels(runCascadeWide, runCascadeWidest)) {
        GTEST_SKIP() << "no AVX-512 path here: the widest kernels do not run";
    }
    const auto engine = dsptest::makeInstance();
    std::mt19937 random(7);
    const Cascade cascade = dsptest::randomCascade(9, random); // two groups
    std::vector<float> left(40, 0.25f), right(40, -0.25f);
    left[0] = NAN;       // at once
    right[5] = INFINITY; // one channel only
    left[6] = 3.0f;      // beyond the limit below, on consecutive samples
    right[7] = -3.0f;
    left[39] = -INFINITY; // the last one
    const DetectorState detector = engine->detector;
    const Outcome wide = runAll(runCascadeWide, cascade, detector, *engine, left, right, 0, 2.0);
    const Outcome widest =
        runAll(runCascadeWidest, cascade, detector, *engine, left, right, 0, 2.0);
    // 0 before the NaN, 4 up to the infinity, none before 3.0 and -3.0, then 31 to the end.
    EXPECT_EQ(widest.taken, (std::vector<std::int32_t>{0, 4, 0, 0, 31}));
    EXPECT_EQ(widest.taken, wide.taken);
    EXPECT_EQ(std::memcmp(widest.y.data(), wide.y.data(), wide.y.size() * sizeof(StereoPair)), 0);
    EXPECT_TRUE(dsptest::sameStates(widest.cascade, wide.cascade));
    EXPECT_TRUE(widest.detector == wide.detector);
}

} // namespace
