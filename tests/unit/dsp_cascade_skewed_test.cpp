// The skewed cascade holds samples in flight between calls and switches each stage to new
// coefficients only when the first sample after the change reaches it. None of that may
// change a bit of what the wide cascade computes over the same runs: outputs (in order),
// stage states once the pipeline is empty, and the detector.
#include "dsp/kernels.h"
#include "tests/unit/dsp_cascade_test_support.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct PlannedRun {
    std::int32_t from, length;
    bool tick; // new coefficients from this run's first sample on
};

// Runs of 1 to 32 samples, most of them starting with a tick, as the audio path has them.
std::vector<PlannedRun> randomRuns(std::int32_t frames, std::mt19937& random) {
    std::uniform_int_distribution<std::int32_t> length(1, 32);
    std::vector<PlannedRun> runs;
    for (std::int32_t n = 0; n < frames;) {
        const std::int32_t l = std::min(frames - n, random() % 4 == 0 ? length(random) : 32);
        runs.push_back({n, l, random() % 5 != 0});
        n += l;
    }
    return runs;
}

// The skewed kernels of the AVX2 path (sixteen registers) and the AVX-512 path (mask
// registers), each against the wide cascade.
std::vector<const Kernels*> skewedPaths() {
    std::vector<const Kernels*> paths;
    for (const VectorPath path : {VectorPath::Wide, VectorPath::Widest}) {
        if (const Kernels* k = kernelsFor(path)) {
            paths.push_back(k);
        }
    }
    return paths;
}

TEST(SkewedCascade, GivesTheWideCascadesBitsAcrossTicksAndShortRuns) {
    const Kernels* wideKernels = kernelsFor(VectorPath::Wide);
    if (wideKernels == nullptr) {
        GTEST_SKIP() << "no AVX2 path here: the skewed cascade does not run";
    }
    for (const Kernels* widest : skewedPaths()) {
        const auto engine = dsptest::makeInstance();
        const DetectorTerms terms = engine->detectorTerms;
        const dsptest::StereoSignal music = dsptest::musicLikeSignal(2000);
        const auto frames = static_cast<std::int32_t>(music.left.size());
        std::mt19937 random(31);
        for (std::size_t stages = 1; stages <= 8; ++stages) {
            for (int trial = 0; trial < 4; ++trial) {
                const std::string where = std::string(widest->name) + ", " +
                                          std::to_string(stages) + " stages, trial " +
                                          std::to_string(trial);
                const Cascade start = dsptest::randomCascade(stages, random);
                const std::vector<PlannedRun> runs = randomRuns(frames, random);
                std::vector<Cascade> settings; // each tick's coefficients, the same for both
                for (std::size_t i = 0; i < runs.size(); ++i) {
                    Cascade next = start;
                    for (std::size_t s = 0; s < stages; ++s) {
                        dsptest::randomCoefficients(next.stages[s], random);
                    }
                    settings.push_back(next);
                }
                const auto tick = [&](Cascade& c, std::size_t i) {
                    for (std::size_t s = 0; s < stages; ++s) {
                        const StereoPair s1 = c.stages[s].s1, s2 = c.stages[s].s2;
                        c.stages[s] = settings[i].stages[s];
                        c.stages[s].s1 = s1;
                        c.stages[s].s2 = s2;
                    }
                };
                // The wide cascade, run by run.
                Cascade wide = start;
                DetectorState wideDetector = engine->detector;
                std::vector<StereoPair> wideOut(frames);
                for (std::size_t i = 0; i < runs.size(); ++i) {
                    if (runs[i].tick) {
                        tick(wide, i);
                    }
                    const PlannedRun& r = runs[i];
                    wideKernels->cascadeRun(wide, terms, wideDetector, r.tick ? 1 : 0,
                                            music.left.data() + r.from, music.right.data() + r.from,
                                            wideOut.data() + r.from, r.length, 1e100);
                }
                // The skewed one, emptied before a tick finds samples on two sets in flight.
                Cascade skewed = start;
                DetectorState skewedDetector = engine->detector;
                SkewedCascade pipe;
                ASSERT_TRUE(widest->startSkewed(pipe, skewed)) << where;
                std::vector<StereoPair> skewedOut;
                StereoPair y[40];
                const auto take = [&](std::int32_t n) {
                    skewedOut.insert(skewedOut.end(), y, y + n);
                };
                for (std::size_t i = 0; i < runs.size(); ++i) {
                    if (runs[i].tick) {
                        if (pipe.fresh != 0) {
                            take(widest->drainSkewed(pipe, skewed, y));
                        }
                        tick(skewed, i);
                    }
                    const PlannedRun& r = runs[i];
                    take(widest->runSkewed(pipe, skewed, terms, skewedDetector, r.tick ? 1 : 0,
                                           music.left.data() + r.from, music.right.data() + r.from,
                                           r.length, y));
                }
                take(widest->drainSkewed(pipe, skewed, y));
                ASSERT_EQ(skewedOut.size(), wideOut.size()) << where;
                EXPECT_EQ(std::memcmp(skewedOut.data(), wideOut.data(),
                                      wideOut.size() * sizeof(StereoPair)),
                          0)
                    << where;
                EXPECT_TRUE(dsptest::sameStates(skewed, wide)) << where;
                EXPECT_TRUE(skewedDetector == wideDetector) << where;
            }
        }
    }
}

TEST(SkewedCascade, TakesOnlyCompleteCascadesOfOneToEightStages) {
    const std::vector<const Kernels*> paths = skewedPaths();
    if (paths.empty()) {
        GTEST_SKIP() << "no AVX2 path here: the skewed cascade does not run";
    }
    for (const Kernels* widest : paths) {
        const auto startSkewed = widest->startSkewed;
        const auto drainSkewed = widest->drainSkewed;
        std::mt19937 random(5);
        SkewedCascade pipe;
        EXPECT_FALSE(startSkewed(pipe, dsptest::randomCascade(0, random)));
        EXPECT_TRUE(startSkewed(pipe, dsptest::randomCascade(1, random)));
        EXPECT_TRUE(startSkewed(pipe, dsptest::randomCascade(8, random)));
        EXPECT_FALSE(startSkewed(pipe, dsptest::randomCascade(9, random)));
        Cascade incomplete = dsptest::randomCascade(4, random);
        incomplete.complete = false;
        EXPECT_FALSE(startSkewed(pipe, incomplete));
        // Nothing in flight: nothing to let out.
        Cascade c = dsptest::randomCascade(3, random);
        ASSERT_TRUE(startSkewed(pipe, c));
        StereoPair y[8];
        EXPECT_EQ(drainSkewed(pipe, c, y), 0);
    }
}

} // namespace
