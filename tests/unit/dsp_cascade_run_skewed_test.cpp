// The fused cascades (AVX2 and AVX-512) run a run's samples skewed through groups of stages,
// filling and emptying each group within the run. Held here, bit for bit, to the plainest
// form of the same arithmetic: one sample at a time through every stage, each multiply-add
// a std::fma. Every stage count the compact cascade holds, every run length a call can
// have (the short runs take the masked path, the others restore and store the edge
// stages' states), and runs that stop before a sample that is not sane.
#include "dsp/kernels.h"
#include "tests/unit/dsp_cascade_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// One sample through every stage: formulas.h's stage with each multiply-add fused.
double plainFused(CascadeStage* stages, std::size_t count, double x, bool right) {
    for (std::size_t s = 0; s < count; ++s) {
        CascadeStage& k = stages[s];
        const auto lane = [right](StereoPair p) { return right ? rightOf(p) : leftOf(p); };
        double s1 = lane(k.s1);
        double s2 = lane(k.s2);
        const double y = std::fma(lane(k.b0), x, s1);
        s1 = std::fma(-lane(k.a1), y, std::fma(lane(k.b1), x, s2));
        s2 = std::fma(-lane(k.a2), y, lane(k.b2) * x);
        k.s1 = right ? pairOf(leftOf(k.s1), s1) : pairOf(s1, rightOf(k.s1));
        k.s2 = right ? pairOf(leftOf(k.s2), s2) : pairOf(s2, rightOf(k.s2));
        x = y;
    }
    return x;
}

struct Fused {
    VectorPath path;
    const char* name;
};

std::vector<Fused> fusedPaths() {
    std::vector<Fused> paths;
    for (const Fused f : {Fused{VectorPath::Wide, "avx2"}, Fused{VectorPath::Widest, "avx512"}}) {
        if (kernelsFor(f.path) != nullptr) {
            paths.push_back(f);
        }
    }
    return paths;
}

// Runs `length` samples through `path`'s kernel and the plain form from the same cascade;
// `bad` (if in range) is made not a number, and the kernel must stop right before it.
void expectPlainBits(const Fused& f, const Cascade& start, int length, int bad,
                     std::mt19937& random) {
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::vector<float> left(static_cast<std::size_t>(length));
    std::vector<float> right(left.size());
    for (std::size_t i = 0; i < left.size(); ++i) {
        left[i] = sample(random);
        right[i] = sample(random);
    }
    if (bad < length) {
        right[static_cast<std::size_t>(bad)] = std::numeric_limits<float>::quiet_NaN();
    }
    Cascade fast = start;
    Cascade plain = start;
    DetectorState detector;
    std::vector<StereoPair> y(left.size());
    const std::int32_t taken =
        kernelsFor(f.path)->cascadeRun(fast, DetectorTerms{}, detector, length, left.data(),
                                       right.data(), y.data(), length, 1e100);
    const std::string where = std::string(f.name) + ", " + std::to_string(start.count) +
                              " stages, run of " + std::to_string(length);
    ASSERT_EQ(taken, std::min(bad, length)) << where;
    for (std::int32_t i = 0; i < taken; ++i) {
        Cascade leftCopy = plain;
        const double l = plainFused(leftCopy.stages.data(), plain.count, left[i], false);
        const double r = plainFused(plain.stages.data(), plain.count, right[i], true);
        for (std::size_t s = 0; s < plain.count; ++s) { // the left lanes from the left pass
            plain.stages[s].s1 = pairOf(leftOf(leftCopy.stages[s].s1), rightOf(plain.stages[s].s1));
            plain.stages[s].s2 = pairOf(leftOf(leftCopy.stages[s].s2), rightOf(plain.stages[s].s2));
        }
        const StereoPair expected = pairOf(l, r);
        ASSERT_EQ(std::memcmp(&y[static_cast<std::size_t>(i)], &expected, sizeof(StereoPair)), 0)
            << where << ", sample " << i;
    }
    EXPECT_TRUE(dsptest::sameStates(fast, plain)) << where;
}

TEST(RunSkewedCascade, GivesThePlainFusedCascadesBitsForEveryStageCountAndRunLength) {
    const std::vector<Fused> paths = fusedPaths();
    if (paths.empty()) {
        GTEST_SKIP() << "no AVX2 path here: the fused kernels do not run";
    }
    std::mt19937 random(20261208);
    for (const Fused& f : paths) {
        for (std::size_t stages = 1; stages <= Cascade::kCapacity; ++stages) {
            for (int length = 1; length <= 32; ++length) {
                expectPlainBits(f, dsptest::randomCascade(stages, random), length, length, random);
            }
        }
    }
}

TEST(RunSkewedCascade, StopsBeforeASampleThatIsNotSaneWithTheStatesOfTheSamplesBefore) {
    const std::vector<Fused> paths = fusedPaths();
    if (paths.empty()) {
        GTEST_SKIP() << "no AVX2 path here: the fused kernels do not run";
    }
    std::mt19937 random(7);
    for (const Fused& f : paths) {
        for (const std::size_t stages : {1u, 7u, 8u, 9u, 13u, 24u}) {
            for (const int bad : {0, 1, 3, 4, 5, 11, 16, 31}) {
                expectPlainBits(f, dsptest::randomCascade(stages, random), 32, bad, random);
            }
        }
    }
}

} // namespace
