// The product engine, however it reorganises the work, sounds like the reference engine:
// within 1e-6 at every output sample, over band sets, rates, block sizes, automation and
// host bypass mid-stream, a silent tail and NaN and infinity bursts.
#include "tests/equivalence/equivalence_support.h"

#include <gtest/gtest.h>

namespace {

using equivalence::BandSet;
using equivalence::Edit;
using equivalence::Scenario;

constexpr double kTolerance = 1e-6;

// Automation of every parameter and host bypass toggles, scaled to the scenario's rate.
std::vector<Edit> automation(double rate) {
    const auto at = [rate](double seconds) { return static_cast<long>(seconds * rate); };
    return {{at(2.0), ParamOutputTrim, 0.7f},
            {at(4.0), ParamCoupling, 1.0f},
            {at(6.0), ParamSieve, 0.3f},
            {at(8.0), ParamLimiter, 0.0f},
            {at(9.0), -1, 1.0f},
            {at(9.5), -1, 0.0f},
            {at(10.0), ParamBypass, 1.0f},
            {at(10.2), ParamBypass, 0.0f},
            {at(12.0), ParamLimiter, 1.0f},
            {at(14.0), ParamCoupling, 0.005f},
            {at(16.0), ParamCoupling, 0.85f},
            {at(18.0), ParamOutputTrim, 0.2f}};
}

std::vector<Scenario> scenarios() {
    return {
        {"DefaultBands48k512", BandSet::Default, 48000.0, 512, 60.0, automation(48000.0)},
        {"DefaultBands44k37", BandSet::Default, 44100.0, 37, 30.0, automation(44100.0)},
        {"DefaultBands96k1", BandSet::Default, 96000.0, 1, 20.0, automation(96000.0)},
        {"Preset1At48k37", BandSet::Preset1, 48000.0, 37, 30.0, automation(48000.0)},
        {"Preset2At44k512", BandSet::Preset2, 44100.0, 512, 30.0, automation(44100.0)},
        {"TwentyFourBands48k512", BandSet::TwentyFour, 48000.0, 512, 30.0, automation(48000.0)},
        {"TwentyFourBands96k37", BandSet::TwentyFour, 96000.0, 37, 20.0, automation(96000.0)},
    };
}

class EngineEquivalence : public ::testing::TestWithParam<Scenario> {};

TEST_P(EngineEquivalence, MatchesTheReferenceAtEverySample) {
    const Scenario& s = GetParam();
    const equivalence::Comparison c = equivalence::run(s, kTolerance);
    RecordProperty("largest_difference", std::to_string(c.largest));
    std::printf("%s: largest difference %.3g over %ld frames\n", s.name.c_str(), c.largest,
                c.frames);
    EXPECT_LE(c.largest, kTolerance) << "first at frame " << c.firstBad;
    EXPECT_EQ(c.mismatchedFinite, 0) << "first at frame " << c.firstBad;
}

INSTANTIATE_TEST_SUITE_P(Rows, EngineEquivalence, ::testing::ValuesIn(scenarios()),
                         [](const auto& info) { return info.param.name; });

} // namespace
