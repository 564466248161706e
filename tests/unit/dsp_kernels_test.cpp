// Every record of kernels the processor has, against the portable kernels (generic/): the
// ones that only move, compare and pick values give their bits; the ones with fused
// multiply-adds stay within a part in a billion of it (the cascade) or within the float
// output's rounding (the output stage). Also the reset of the audio path's running state.
#include "dsp/generic/generic.h"
#include "dsp/kernels.h"
#include "tests/unit/dsp_cascade_test_support.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

struct Signal {
    std::vector<float> left, right;
};

// Music with a NaN, infinities of both signs, huge and tiny values at scattered places.
Signal awkwardSignal(std::size_t frames, unsigned seed) {
    const dsptest::StereoSignal music = dsptest::musicLikeSignal(frames);
    Signal s{music.left, music.right};
    std::mt19937 random(seed);
    const float specials[] = {NAN, INFINITY, -INFINITY, 3.0e6f, -2.0e38f, 1e-40f};
    for (int i = 0; i < 12; ++i) {
        const std::size_t at = random() % frames;
        (i % 2 == 0 ? s.left : s.right)[at] = specials[i % 6];
    }
    return s;
}

std::vector<const Kernels*> recordsHere() {
    std::vector<const Kernels*> records;
    for (const VectorPath path : {VectorPath::Baseline, VectorPath::Wide, VectorPath::Widest}) {
        if (const Kernels* k = kernelsFor(path)) {
            records.push_back(k);
        }
    }
    return records;
}

template <typename T> bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

TEST(Kernels, TheBaselineIsAlwaysThereAndEachRecordIsNamedForItsPath) {
    const std::vector<const Kernels*> records = recordsHere();
    ASSERT_FALSE(records.empty());
    EXPECT_STREQ(records[0]->name, "baseline");
    const char* names[] = {"baseline", "avx2", "avx512"};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_STREQ(records[i]->name, names[i]);
    }
    EXPECT_EQ(&kernels(), kernelsFor(vectorPathInUse()));
}

// Inputs to the detector, the mono sum, the meters' peak and the finite prefix: exact, at
// every length from 0 to past the widest step (so every tail is taken).
TEST(Kernels, ValueMovingKernelsGiveThePortableBits) {
    const Signal s = awkwardSignal(300, 3);
    for (const Kernels* k : recordsHere()) {
        SCOPED_TRACE(k->name);
        for (std::int32_t n = 0; n <= 37; ++n) {
            for (const std::int32_t from : {0, 5, 263}) {
                const float* l = s.left.data() + from;
                const float* r = s.right.data() + from;
                std::vector<double> in(n + 1, -1.0), plainIn(n + 1, -1.0);
                k->detectorInputs(l, r, n, in.data());
                generic::detectorInputs(l, r, n, plainIn.data());
                ASSERT_TRUE(sameBits(in, plainIn)) << n << " from " << from;
                std::vector<float> mono(n + 1, -1.0f), plainMono(n + 1, -1.0f);
                k->monoSum(l, r, n, mono.data());
                generic::monoSum(l, r, n, plainMono.data());
                ASSERT_TRUE(sameBits(mono, plainMono)) << n << " from " << from;
                ASSERT_EQ(k->peakMagnitude(l, n), generic::peakMagnitude(l, n)) << n;
                ASSERT_EQ(k->finiteLength(l, r, n), generic::finiteLength(l, r, n)) << n;
            }
        }
    }
}

bool detectorsNear(const DetectorState& a, const DetectorState& b) {
    const auto near = [](double x, double y) {
        return std::fabs(x - y) <= 1e-12 * (1.0 + std::fabs(y));
    };
    bool history = true;
    for (std::size_t i = 0; i < a.levelHistory.size(); ++i) {
        history = history && near(a.levelHistory[i], b.levelHistory[i]);
    }
    return history && near(a.peakHold, b.peakHold) && near(a.envLevel, b.envLevel) &&
           near(a.fastLevel, b.fastLevel) && near(a.transientScale, b.transientScale) &&
           near(a.transientHeld, b.transientHeld) && near(a.highDrive, b.highDrive);
}

// The cascade over runs with samples it must stop before: where it stops, the outputs and
// states and the detector. The baseline is the portable kernel's bits; the fused ones
// differ by rounding only.
TEST(Kernels, CascadeRunsMatchThePortableOne) {
    const auto engine = dsptest::makeInstance();
    const DetectorTerms terms = engine->detectorTerms;
    const Signal s = awkwardSignal(4000, 9);
    std::mt19937 random(41);
    for (const Kernels* k : recordsHere()) {
        SCOPED_TRACE(k->name);
        const bool fused = std::strcmp(k->name, "baseline") != 0;
        for (const std::size_t stages : {1u, 2u, 5u, 8u, 9u, 17u, 24u}) {
            const Cascade start = dsptest::randomCascade(stages, random);
            Cascade mine = start, plain = start;
            DetectorState d = engine->detector, plainD = engine->detector;
            std::vector<StereoPair> y(32), plainY(32);
            for (std::size_t at = 0; at + 32 <= s.left.size(); at += 29) {
                const std::int32_t taken = k->cascadeRun(mine, terms, d, 1, s.left.data() + at,
                                                         s.right.data() + at, y.data(), 32, 1e100);
                const std::int32_t plainTaken =
                    generic::cascadeRun(plain, terms, plainD, 1, s.left.data() + at,
                                        s.right.data() + at, plainY.data(), 32, 1e100);
                ASSERT_EQ(taken, plainTaken) << stages << " stages at " << at;
                const auto close = [fused](double got, double want) {
                    return fused ? std::fabs(got - want) <= 1e-9 * (1.0 + std::fabs(want))
                                 : std::memcmp(&got, &want, sizeof got) == 0;
                };
                for (std::int32_t i = 0; i < taken; ++i) {
                    ASSERT_TRUE(close(leftOf(y[i]), leftOf(plainY[i]))) << stages << " " << i;
                    ASSERT_TRUE(close(rightOf(y[i]), rightOf(plainY[i]))) << stages << " " << i;
                }
                if (!fused) {
                    ASSERT_TRUE(dsptest::sameStates(mine, plain)) << stages << " at " << at;
                    ASSERT_TRUE(d == plainD) << stages << " stages at " << at;
                } else {
                    // The detector is inlined into the fused kernels, where the compiler may
                    // fuse its multiply-adds too.
                    ASSERT_TRUE(detectorsNear(d, plainD)) << stages << " stages at " << at;
                    ASSERT_EQ(d.decimationCounter, plainD.decimationCounter);
                    plain = mine; // the fused rounding must not pile up over the runs
                    plainD = d;
                }
            }
        }
    }
}

// The portable kernel itself, short and long cascades alike (the long ones go in a
// wavefront), against one sample at a time through every stage in turn: the same bits
// for the outputs, the states and the detector, over runs cut short by samples it must
// stop before and runs whose detector steps start part way.
TEST(Kernels, ThePortableCascadeIsOneSampleAtATime) {
    const auto engine = dsptest::makeInstance();
    const DetectorTerms terms = engine->detectorTerms;
    const Signal s = awkwardSignal(3000, 5);
    std::mt19937 random(7);
    for (const std::size_t stages : {1u, 7u, 10u, 11u, 24u, 32u}) {
        Cascade run = dsptest::randomCascade(stages, random);
        Cascade oneByOne = run;
        DetectorState d = engine->detector, oneByOneD = engine->detector;
        std::vector<StereoPair> y(32);
        std::int32_t detectFrom = 0;
        for (std::size_t at = 0; at + 32 <= s.left.size();) {
            const float* l = s.left.data() + at;
            const float* r = s.right.data() + at;
            const std::int32_t count = 1 + static_cast<std::int32_t>(at % 32);
            const std::int32_t taken =
                generic::cascadeRun(run, terms, d, detectFrom, l, r, y.data(), count, 2.0);
            for (std::int32_t i = 0; i < taken; ++i) {
                if (i >= detectFrom) {
                    stepDetector(terms, oneByOneD, detectorInput(l[i], r[i]));
                }
                const StereoPair want = runCascade(oneByOne, pairOf(l[i], r[i]));
                ASSERT_EQ(leftOf(y[i]), leftOf(want)) << stages << " stages at " << at + i;
                ASSERT_EQ(rightOf(y[i]), rightOf(want)) << stages << " stages at " << at + i;
            }
            ASSERT_TRUE(dsptest::sameStates(run, oneByOne)) << stages << " stages at " << at;
            ASSERT_TRUE(d == oneByOneD) << stages << " stages at " << at;
            // Past a sample it stopped before; the next run's detector starts part way.
            at += static_cast<std::size_t>(taken < count ? taken + 1 : taken);
            detectFrom = static_cast<std::int32_t>(at % 3);
        }
    }
}

// The output stage at every limiter setting, over values into the limiter's far range,
// with checked samples (not finite in one channel or both) scattered among them: not a
// number and each infinity come out where the portable stage gives them.
TEST(Kernels, OutputStageMatchesThePortableOneWithinTheFloatRounding) {
    std::mt19937 random(12);
    std::uniform_real_distribution<double> level(-8.0, 8.0);
    const double specials[] = {NAN, INFINITY, -INFINITY};
    for (const Kernels* k : recordsHere()) {
        SCOPED_TRACE(k->name);
        const bool fused = std::strcmp(k->name, "baseline") != 0;
        for (const double limiter : {0.02, 0.5, 0.93, 1.0}) {
            for (int trial = 0; trial < 60; ++trial) {
                const std::int32_t n = 1 + trial % 32;
                std::vector<StereoPair> y(n);
                bool checked[32] = {};
                for (std::int32_t i = 0; i < n; ++i) {
                    y[i] = pairOf(level(random), level(random));
                }
                if (trial % 3 == 0) {
                    const std::int32_t at = static_cast<std::int32_t>(random() % n);
                    y[at] = pairOf(specials[trial % 3], specials[(trial / 3) % 3]);
                    checked[at] = true;
                }
                std::vector<float> l(n), r(n), plainL(n), plainR(n);
                k->finishRun(y.data(), checked, n, outputLanes<double>(0.8, limiter), l.data(),
                             r.data());
                generic::finishRun(y.data(), checked, n, outputLanes<double>(0.8, limiter),
                                   plainL.data(), plainR.data());
                for (std::int32_t i = 0; i < n; ++i) {
                    for (const auto& [got, want] :
                         {std::pair{l[i], plainL[i]}, {r[i], plainR[i]}}) {
                        ASSERT_EQ(std::isnan(got), std::isnan(want)) << i;
                        ASSERT_EQ(std::isinf(got) && got > 0, std::isinf(want) && want > 0) << i;
                        ASSERT_EQ(std::isinf(got) && got < 0, std::isinf(want) && want < 0) << i;
                        if (std::isfinite(want)) {
                            ASSERT_NEAR(got, want, fused ? 2.5e-7 : 0.0) << i << " " << limiter;
                        }
                    }
                }
            }
        }
    }
}

// The output stage as written out, in long double with the library's tanh.
long double limitedExactly(double y, double trim, double limiter) {
    const long double x = static_cast<long double>(y) * trim;
    const long double v =
        std::clamp((116.0L * x * x - 0.00375L) * 100.0L / 20.0L / 580.0L, 0.0L, 4.0L);
    const long double shaped = std::tanh((0.35L * limiter + 1.0L) * x) / (1.0L + v * v / 4.0L);
    return x * (1.0L - limiter) + limiter * shaped;
}

// Each path's output stage against the exact one over the limiter's range of settings and
// trims, levels through the tanh's far form and the shaping's clamp up to huge ones: the
// float output is the exact value rounded, give or take the shorter tanh's 3.5e-10 (and
// the double arithmetic's parts in 1e15 of a huge dry value). A channel's partner's
// denominator not cancelling, or a tanh coefficient a part in a million off, breaks this. The AVX2
// and AVX-512 stages do the same operations lane for lane, so they give the same bits.
TEST(Kernels, EveryPathsOutputStageIsTheExactOneRounded) {
    std::vector<StereoPair> y;
    for (double v = -30.0; v <= 30.0; v += 0.0173) {
        y.push_back(pairOf(v, v * 0.031));
    }
    for (const double big : {7e3, 1e9, 3e36}) { // the largest still a float at any trim
        y.push_back(pairOf(big, -big));
    }
    const auto n = static_cast<std::int32_t>(y.size());
    const auto checked = std::make_unique<bool[]>(y.size()); // all false
    std::vector<double> limiters;                            // engaged above 0.01
    for (double limiter = 0.0101; limiter < 1.0; limiter += 0.0331) {
        limiters.push_back(limiter);
    }
    limiters.push_back(1.0);
    std::vector<std::vector<float>> outputs; // per record, every setting's in turn
    for (const Kernels* k : recordsHere()) {
        SCOPED_TRACE(k->name);
        std::vector<float>& all = outputs.emplace_back();
        for (const double limiter : limiters) {
            for (const double trim : {0.25, 0.71, 1.0, 3.98}) {
                std::vector<float> l(y.size()), r(y.size());
                k->finishRun(y.data(), checked.get(), n, outputLanes<double>(trim, limiter),
                             l.data(), r.data());
                for (std::int32_t i = 0; i < n; ++i) {
                    for (const auto& [got, in] :
                         {std::pair{l[i], leftOf(y[i])}, {r[i], rightOf(y[i])}}) {
                        const long double want = limitedExactly(in, trim, limiter);
                        const long double step =
                            std::nextafter(std::fabs(got), INFINITY) - std::fabs(got);
                        const long double off = std::fabs(got - want) - step / 2;
                        ASSERT_LE(off, 4e-10L + 1e-15L * std::fabs(want))
                            << in << " " << trim << " " << limiter;
                    }
                }
                all.insert(all.end(), l.begin(), l.end());
                all.insert(all.end(), r.begin(), r.end());
            }
        }
    }
    if (outputs.size() == 3) {
        EXPECT_TRUE(sameBits(outputs[1], outputs[2]));
    }
}

// A run's last few frames are done as part of a full group (some frames twice) or with a
// frame standing in for the missing ones: on every path, each frame written is the one the
// same frame gets in a longer run, and nothing past the run's end is written.
TEST(Kernels, OutputStageFramesDoNotDependOnTheRunTheyComeIn) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> level(-6.0, 6.0);
    std::vector<StereoPair> y(40);
    for (StereoPair& p : y) {
        p = pairOf(level(random), level(random));
    }
    // Frames that took the checked path, one of them not a number and one infinite: in a
    // group (or standing in for missing frames) they must not touch the other lanes.
    bool checked[40] = {};
    checked[21] = true;
    y[3] = pairOf(NAN, 0.5);
    checked[3] = true;
    y[38] = pairOf(0.25, -INFINITY);
    checked[38] = true;
    for (const Kernels* k : recordsHere()) {
        SCOPED_TRACE(k->name);
        std::vector<float> wholeL(40), wholeR(40);
        const OutputLanes<double> settings = outputLanes<double>(0.8, 0.6);
        k->finishRun(y.data(), checked, 40, settings, wholeL.data(), wholeR.data());
        for (std::int32_t from : {0, 3, 13}) {
            for (std::int32_t count = 1; from + count <= 40; ++count) {
                std::vector<float> l(count + 1, -7.0f), r(count + 1, -7.0f);
                k->finishRun(y.data() + from, checked + from, count, settings, l.data(), r.data());
                EXPECT_EQ(l[count], -7.0f) << from << " " << count;
                EXPECT_EQ(r[count], -7.0f) << from << " " << count;
                l.pop_back();
                r.pop_back();
                const std::vector<float> wantL(wholeL.begin() + from,
                                               wholeL.begin() + from + count);
                const std::vector<float> wantR(wholeR.begin() + from,
                                               wholeR.begin() + from + count);
                EXPECT_TRUE(sameBits(l, wantL)) << from << " " << count;
                EXPECT_TRUE(sameBits(r, wantR)) << from << " " << count;
            }
        }
    }
}

// The bins' levels: the fused logarithm stays within a float step of the portable one.
TEST(Kernels, LevelsMatchThePortableOneWithinAFloatStep) {
    std::mt19937_64 random(8);
    std::uniform_real_distribution<double> exponent(-14.0, 6.0), mantissa(1.0, 10.0);
    std::vector<double> power(kSpectrumBins);
    for (double& p : power) {
        p = mantissa(random) * std::pow(10.0, std::floor(exponent(random)));
    }
    std::vector<double> plain = power;
    generic::levels(plain.data(), kSpectrumBins, -54.18539921951662);
    for (const Kernels* k : recordsHere()) {
        SCOPED_TRACE(k->name);
        std::vector<double> mine = power;
        k->levels(mine.data(), kSpectrumBins, -54.18539921951662);
        for (int b = 0; b < kSpectrumBins; ++b) {
            ASSERT_NEAR(mine[b], plain[b], 1.6e-5) << b; // two float steps at 80 dB
        }
    }
}

// The widest kernel's levels are the wide one's bit for bit (the spectrum steers the bands,
// and the two paths must sound the same), over the whole range and over the slices the
// analyser hands it: from any multiple of eight bins, any count, quiet bins included.
TEST(Kernels, WidestLevelsAreTheWideOnesBitForBit) {
    const Kernels* wide = kernelsFor(VectorPath::Wide);
    const Kernels* widest = kernelsFor(VectorPath::Widest);
    if (wide == nullptr || widest == nullptr) {
        GTEST_SKIP() << "no AVX-512 path here";
    }
    std::mt19937_64 random(9);
    std::uniform_real_distribution<double> exponent(-16.0, 6.0), mantissa(1.0, 10.0);
    std::vector<double> power(kSpectrumBins);
    for (double& p : power) {
        p = mantissa(random) * std::pow(10.0, std::floor(exponent(random)));
    }
    power[7] = 1e-10; // the floor itself, and around it
    power[8] = std::nextafter(1e-10, 1.0);
    power[9] = 0.0;
    for (int from = 0; from < kSpectrumBins; from += 8) {
        for (int count = 1; from + count <= kSpectrumBins; count += (count < 24 ? 1 : 41)) {
            std::vector<double> a = power, b = power;
            wide->levels(a.data() + from, count, -54.18539921951662);
            widest->levels(b.data() + from, count, -54.18539921951662);
            ASSERT_TRUE(sameBits(a, b)) << from << " " << count;
        }
    }
}

// After a reset to a fresh engine's running state (and the rebuild the host layer does),
// an engine that has played sounds exactly like one that has not.
TEST(ResetRunningState, LeavesNoTraceOfWhatWasPlayed) {
    auto played = dsptest::makeInstance();
    auto fresh = dsptest::makeInstance();
    const auto pristine = dsptest::makeInstance();
    for (Engine* e : {played.get(), fresh.get()}) {
        setParam(*e, ParamLimiter, 0.7f);
        rebuildFilters(*e);
    }
    dsptest::StereoSignal before = dsptest::musicLikeSignal(20000);
    dsptest::processInBlocks(*played, before, 256);
    ASSERT_NE(played->detector.envLevel, pristine->detector.envLevel);
    resetRunningState(*played, *pristine);
    rebuildFilters(*played);
    EXPECT_TRUE(played->detector == pristine->detector);
    EXPECT_EQ(played->analysisRing, pristine->analysisRing);
    EXPECT_EQ(played->spectrumDb, pristine->spectrumDb);
    dsptest::StereoSignal a = dsptest::musicLikeSignal(30000);
    dsptest::StereoSignal b = a;
    dsptest::processInBlocks(*played, a, 256);
    dsptest::processInBlocks(*fresh, b, 256);
    EXPECT_TRUE(sameBits(a.left, b.left));
    EXPECT_TRUE(sameBits(a.right, b.right));
    EXPECT_EQ(played->spectrumDb, fresh->spectrumDb);
}

} // namespace
