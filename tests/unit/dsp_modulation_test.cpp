#include "dsp/cascade.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using dsptest::magnitudeDb;
using dsptest::makeInstance;
using dsptest::musicLikeSignal;
using dsptest::processInBlocks;
using dsptest::sameBits;
using ModulationUpdate = dsptest::EngineTest;

void processSilence(Engine& inst, int frames) {
    std::vector<float> l(static_cast<std::size_t>(frames)), r(l.size());
    processBlock(inst, l.data(), r.data(), frames);
}

// The first update falls on the 32nd sample; disabled bands keep their entries.
TEST_F(ModulationUpdate, FirstUpdateOnThe32ndSampleSkipsDisabledBands) {
    inst->bands[2].enabled = false;
    inst->modDrive[2] = 0.7;
    processSilence(*inst, 31);
    EXPECT_EQ(inst->lastModulation[0], -1.0);
    processSilence(*inst, 1);
    EXPECT_NE(inst->lastModulation[0], -1.0);
    EXPECT_EQ(inst->modCounter, 0);
    processSilence(*inst, 640);
    EXPECT_EQ(inst->modDrive[2], 0.7);
    EXPECT_EQ(inst->lastModulation[2], -1.0);
}

// In silence the drive is 0 and the factor is 1 - 0.25 * depth * coupling.
TEST_F(ModulationUpdate, SilenceSettlesFactorBelowOne) {
    setParam(*inst, ParamLimiter, 0.0f);
    inst->bands[4].gain = 24.0; // its factor would take it more than 1.2 dB down
    processSilence(*inst, 48000);
    for (std::size_t i = 0; i < 7; ++i) {
        const double expected = inst->bands[i].dynamic ? 0.904375 : 0.946875;
        EXPECT_NEAR(inst->lastModulation[i], expected, 1e-7) << "band " << i;
        EXPECT_EQ(inst->modDrive[i], 0.0);
    }
    // The -2.5 dB bell at 340 Hz is designed from the modulated mapping, nearer to 0 dB;
    // the 24 dB bell stops 1.2 dB below its plain mapped gain.
    EXPECT_NEAR(magnitudeDb(inst->filters[3].coeffs, 340.0, 48000.0),
                effectiveGain(*inst, 340.0, -2.5 * inst->lastModulation[3]), 1e-9);
    EXPECT_NEAR(magnitudeDb(inst->filters[4].coeffs, 2900.0, 48000.0),
                effectiveGain(*inst, 2900.0, 24.0) - 1.2, 1e-9);
}

// Below a coupling of 0.01 (including the float nearest 0.01) nothing is modulated;
// above it the factor stays within 1 - 0.25 and 1 + 0.75 times depth times coupling.
TEST_F(ModulationUpdate, CouplingSetsTheRangeAndBelowOneHundredthDisablesIt) {
    for (float coupling : {0.0f, 0.005f, 0.01f, 0.011f, 0.85f}) {
        const bool modulated = coupling > 0.01f;
        inst = makeInstance();
        setParam(*inst, ParamCoupling, coupling);
        rebuildFilters(*inst);
        const std::vector<BandFilter> designed = inst->filters;
        auto s = musicLikeSignal(24000);
        processInBlocks(*inst, s, 512);
        EXPECT_EQ(inst->modDrive[0] > 0.01, modulated); // low band follows the level envelope
        for (std::size_t i = 0; i < 7; ++i) {
            const double m = inst->lastModulation[i];
            const double span = (inst->bands[i].dynamic ? 0.45 : 0.25) * double(coupling);
            EXPECT_EQ(m != -1.0 && inst->modDrive[i] != 0.0, modulated) << coupling << "/" << i;
            EXPECT_TRUE(!modulated ||
                        (m >= 1.0 - 0.25 * span - 1e-12 && m <= 1.0 + 0.75 * span + 1e-12))
                << coupling << "/" << i << ": " << m;
            EXPECT_TRUE(modulated || sameBits(inst->filters[i].coeffs, designed[i].coeffs));
        }
    }
}

TEST_F(ModulationUpdate, BandsFrom25thOnAreNeverModulated) {
    while (inst->bands.size() < 30) {
        const double f = 60.0 * double(inst->bands.size());
        inst->bands.push_back(Band{true, f, -4.0, 1.0, Bell, 0, false});
    }
    rebuildFilters(*inst);
    const std::vector<BandFilter> designed = inst->filters;
    processSilence(*inst, 64);
    // Every band of the first 24 with a gain to scale is redesigned; none after them.
    for (std::size_t i = 0; i < 30; ++i) {
        const bool redesigned = !sameBits(inst->filters[i].coeffs, designed[i].coeffs);
        EXPECT_EQ(redesigned, i < 24 && inst->bands[i].gain != 0.0) << i;
    }
    ASSERT_EQ(inst->lastModulation.size(), 24u);
    EXPECT_EQ(std::count(inst->lastModulation.begin(), inst->lastModulation.end(), -1.0), 0);
}

TEST_F(ModulationUpdate, CountMismatchSkipsTheUpdate) {
    inst->bands.pop_back();
    updateModulation(*inst);
    EXPECT_EQ(inst->lastModulation[0], -1.0);
    inst->bands.clear();
    inst->filters.clear();
    updateModulation(*inst);
    EXPECT_EQ(inst->modDrive[0], 0.0);
}

} // namespace

// With the drive at its top the modulated gain is held 1.2 dB above the band's plain mapped
// gain, so the design shows that plain gain directly. Whatever it depends on (the spectrum
// around the band, the character parameters, the band's gain) must reach the next redesign,
// whatever the modulation kept from the last one.
TEST_F(ModulationUpdate, HeldDesignsFollowEverythingThePlainGainDependsOn) {
    setParam(*inst, ParamLimiter, 0.0f);
    setParam(*inst, ParamCoupling, 1.0f);
    inst->bands.assign(1, Band{true, 1000.0, 20.0, 1.0, Bell, 0xFF00FF00u, true});
    rebuildFilters(*inst);
    const int bin = 21; // 1000 Hz at 48 kHz
    const auto expectHeld = [&](const char* after) {
        inst->modDrive[0] = 1.0;
        inst->lowDrive = inst->midDrive = inst->detector.highDrive = 1.0;
        inst->lastModulation[0] = -1.0; // redesign now
        updateModulation(*inst);
        const Band& b = inst->bands[0];
        const double held = effectiveGain(*inst, b.frequency, b.gain) + 1.2;
        EXPECT_TRUE(sameBits(inst->filters[0].coeffs,
                             designBiquad(b.type, b.frequency, held, b.q, inst->sampleRate)))
            << "after " << after;
    };
    expectHeld("the first design");
    inst->spectrumDb[static_cast<std::size_t>(bin)] = -20.0f;
    inst->spectrumDb[static_cast<std::size_t>(bin + 1)] = -50.0f;
    expectHeld("a peak in the spectrum at the band");
    inst->spectrumDb[static_cast<std::size_t>(bin - 2)] = -30.0f;
    expectHeld("a change two bins below it");
    setParam(*inst, ParamSieve, 0.1f);
    expectHeld("a sieve change");
    setParam(*inst, ParamCoupling, 0.8f);
    expectHeld("a coupling change");
    setParam(*inst, ParamLimiter, 0.3f);
    expectHeld("a limiter change");
    inst->bands[0].gain = 18.0;
    expectHeld("a gain change");
    setSampleRate(*inst, 44100.0f);
    expectHeld("a rate change");
}

// A tick reloads only the stages whose filter it redesigned. Across a modulated render of
// music, a cascade kept from tick to tick must hold exactly the coefficients of one loaded
// afresh after every tick, while both kinds of stage occur: some taken again, some kept.
TEST_F(ModulationUpdate, ReloadingOnlyRedesignedStagesEqualsReloadingAll) {
    setParam(*inst, ParamCoupling, 1.0f);
    inst->bands[2].enabled = false; // stage and filter indices part ways
    rebuildFilters(*inst);
    dsptest::StereoSignal music = musicLikeSignal(24000);
    Cascade kept;
    loadCascade(*inst, kept);
    int takenAgain = 0;
    int keptAsTheyWere = 0;
    for (std::size_t at = 0; at + 32 <= music.left.size(); at += 32) {
        std::array<std::uint32_t, Cascade::kCapacity> designs{};
        for (std::size_t i = 0; i < kept.count; ++i) {
            designs[i] = kept.stages[i].design;
        }
        processBlock(*inst, music.left.data() + at, music.right.data() + at, 32);
        reloadCoefficients(*inst, kept);
        Cascade fresh;
        loadCascade(*inst, fresh);
        ASSERT_EQ(kept.count, fresh.count);
        for (std::size_t i = 0; i < kept.count; ++i) {
            const CascadeStage& a = kept.stages[i];
            const CascadeStage& b = fresh.stages[i];
            // The five coefficient pairs lead the stage record.
            ASSERT_EQ(std::memcmp(&a, &b, 5 * sizeof(StereoPair)), 0)
                << "stage " << i << " at " << at;
            ++(a.design != designs[i] ? takenAgain : keptAsTheyWere);
        }
    }
    EXPECT_GT(takenAgain, 0);
    EXPECT_GT(keptAsTheyWere, 0);
}
