#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using dsptest::magnitudeDb;
using dsptest::makeInstance;
using dsptest::musicLikeSignal;
using dsptest::processInBlocks;

void processSilence(PluginInstance& inst, int frames) {
    std::vector<float> l(static_cast<std::size_t>(frames)), r(l.size());
    processBlock(inst, l.data(), r.data(), frames);
}

bool sameCoefficients(const BiquadCoefficients& a, const BiquadCoefficients& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(ModulationUpdate, FirstUpdateFallsOnThe32ndSample) {
    auto inst = makeInstance();
    processSilence(*inst, 31);
    EXPECT_EQ(inst->lastModulation[0], -1.0);
    processSilence(*inst, 1);
    EXPECT_NE(inst->lastModulation[0], -1.0);
    EXPECT_EQ(inst->modCounter, 0);
}

// In silence the drive is 0 and the factor is 1 - 0.25 * depth * coupling.
TEST(ModulationUpdate, SilenceSettlesFactorBelowOne) {
    auto inst = makeInstance();
    processSilence(*inst, 48000);
    for (std::size_t i = 0; i < 7; ++i) {
        const double expected = inst->bands[i].dynamic ? 0.904375 : 0.946875;
        EXPECT_NEAR(inst->lastModulation[i], expected, 1e-7) << "band " << i;
        EXPECT_EQ(inst->modDrive[i], 0.0);
    }
    // The -2.5 dB bell at 340 Hz is designed from the modulated mapping, nearer to 0 dB
    // but within 1.2 dB of its plain mapped gain.
    const double g0 = effectiveGain(*inst, 340.0, -2.5);
    const double designed = magnitudeDb(inst->filters[3].coeffs, 340.0, 48000.0);
    EXPECT_NEAR(designed, effectiveGain(*inst, 340.0, -2.5 * inst->lastModulation[3]), 1e-9);
    EXPECT_GT(designed, g0);
    EXPECT_LE(designed - g0, 1.2 + 1e-9);
}

TEST(ModulationUpdate, ProgrammeMovesTheDrive) {
    auto inst = makeInstance();
    auto s = musicLikeSignal(24000);
    processInBlocks(*inst, s, 512);
    EXPECT_GT(inst->modDrive[0], 0.01); // low band follows the level envelope
    for (std::size_t i = 0; i < 7; ++i) {
        const double depth = inst->bands[i].dynamic ? 0.45 : 0.25;
        const double a = double(0.85f);
        EXPECT_GE(inst->lastModulation[i], 1.0 - 0.25 * depth * a - 1e-12);
        EXPECT_LE(inst->lastModulation[i], 1.0 + 0.75 * depth * a + 1e-12);
    }
}

TEST(ModulationUpdate, CouplingBelowOneHundredthDisablesIt) {
    for (float coupling : {0.0f, 0.005f, 0.01f}) {
        auto inst = makeInstance();
        setParam(*inst, ParamCoupling, coupling);
        rebuildFilters(*inst);
        const std::vector<BandFilter> designed = inst->filters;
        auto s = musicLikeSignal(4096);
        processInBlocks(*inst, s, 256);
        for (std::size_t i = 0; i < 7; ++i) {
            EXPECT_EQ(inst->lastModulation[i], -1.0) << coupling;
            EXPECT_EQ(inst->modDrive[i], 0.0) << coupling;
            EXPECT_TRUE(sameCoefficients(inst->filters[i].coeffs, designed[i].coeffs));
        }
    }
    auto inst = makeInstance();
    setParam(*inst, ParamCoupling, 0.011f);
    processSilence(*inst, 32);
    EXPECT_NE(inst->lastModulation[0], -1.0);
}

TEST(ModulationUpdate, DisabledBandsAreLeftAlone) {
    auto inst = makeInstance();
    inst->bands[2].enabled = false;
    inst->modDrive[2] = 0.7;
    processSilence(*inst, 640);
    EXPECT_EQ(inst->modDrive[2], 0.7);
    EXPECT_EQ(inst->lastModulation[2], -1.0);
    EXPECT_NE(inst->lastModulation[1], -1.0);
}

TEST(ModulationUpdate, BandsFrom25thOnAreNeverModulated) {
    auto inst = makeInstance();
    while (inst->bands.size() < 30) {
        const double f = 60.0 * double(inst->bands.size());
        inst->bands.push_back(Band{true, f, -4.0, 1.0, Bell, 0, false});
    }
    rebuildFilters(*inst);
    const std::vector<BandFilter> designed = inst->filters;
    processSilence(*inst, 64);
    for (std::size_t i = 0; i < 24; ++i) {
        EXPECT_NE(inst->lastModulation[i], -1.0) << i;
    }
    EXPECT_FALSE(sameCoefficients(inst->filters[23].coeffs, designed[23].coeffs));
    for (std::size_t i = 24; i < 30; ++i) {
        EXPECT_TRUE(sameCoefficients(inst->filters[i].coeffs, designed[i].coeffs)) << i;
    }
    EXPECT_EQ(inst->lastModulation.size(), 24u);
}

TEST(ModulationUpdate, CountMismatchSkipsTheUpdate) {
    auto inst = makeInstance();
    inst->bands.pop_back();
    updateModulation(*inst);
    EXPECT_EQ(inst->lastModulation[0], -1.0);
    inst->bands.clear();
    inst->filters.clear();
    updateModulation(*inst);
    EXPECT_EQ(inst->modDrive[0], 0.0);
}

} // namespace
