#include "dsp/cascade.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

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

// One bell band at 1 kHz, full coupling and no limiter, so that a design shows the mapped
// gain itself. kBandBin is the band's analyser bin at 48 kHz.
constexpr int kBandBin = 21;
void oneBandAt1kHz(Engine& inst, double gain) {
    setParam(inst, ParamLimiter, 0.0f);
    setParam(inst, ParamCoupling, 1.0f);
    inst.bands.assign(1, Band{true, 1000.0, gain, 1.0, Bell, 0xFF00FF00u, true});
    rebuildFilters(inst);
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
    oneBandAt1kHz(*inst, 20.0);
    const int bin = kBandBin;
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
    inst->bands[0].frequency = 1010.0; // the same analyser bin: only the frequency tells
    expectHeld("a frequency change");
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

// Within 1.2 dB of the plain mapped gain the design follows the modulated mapping, whose
// spectral term is kept from the plain one while the spectrum around the band stands. A
// change to that spectrum, or to the modulated gain, must reach the next redesign.
TEST_F(ModulationUpdate, ModulatedDesignsFollowTheSpectrumAroundTheBand) {
    oneBandAt1kHz(*inst, 6.0);
    const int bin = kBandBin;
    const auto expectModulated = [&](double drive, const char* after) {
        inst->modDrive[0] = drive;
        inst->lowDrive = inst->midDrive = inst->detector.highDrive = drive;
        inst->lastModulation[0] = -1.0; // redesign now
        updateModulation(*inst);
        const Band& b = inst->bands[0];
        const double g0 = effectiveGain(*inst, b.frequency, b.gain);
        const double g1 = effectiveGain(*inst, b.frequency, b.gain * inst->lastModulation[0]);
        ASSERT_LT(std::fabs(g1 - g0), 1.2) << "the modulated gain is not held";
        EXPECT_TRUE(sameBits(inst->filters[0].coeffs,
                             designBiquad(b.type, b.frequency, g1, b.q, inst->sampleRate)))
            << "after " << after;
    };
    expectModulated(0.5, "the first design");
    for (int k = bin - 2; k <= bin + 2; ++k) {
        inst->spectrumDb[static_cast<std::size_t>(k)] = -60.0f + 9.0f * float(k % 3);
    }
    expectModulated(0.5, "a new spectrum around the band");
    inst->spectrumDb[static_cast<std::size_t>(bin + 2)] = -12.0f;
    expectModulated(0.5, "a change two bins above it");
    expectModulated(0.1, "a lower drive");
    inst->spectrumDb[static_cast<std::size_t>(bin + 3)] = 0.0f; // outside what the band reads
    expectModulated(0.1, "a change three bins away");
}

// Every band gets its own drive, depth and dead band: an odd count, disabled bands between
// enabled ones, dynamic and plain depths, a drive that is not finite, no band beyond the
// last, and bands whose factor stays within the dead band next to ones that leave it.
TEST_F(ModulationUpdate, EveryBandIsSteppedOnItsOwn) {
    setParam(*inst, ParamCoupling, 0.9f);
    inst->bands.clear();
    for (int i = 0; i < 23; ++i) {
        const double f = 30.0 * std::pow(1.35, i);
        inst->bands.push_back(Band{i % 4 != 2, f, 3.0, 1.0, Bell, 0, i % 3 == 0});
    }
    rebuildFilters(*inst);
    for (std::size_t i = 0; i < 23; ++i) {
        inst->modDrive[i] = 0.04 * double(i);
        // Odd bands were designed at the factor they are about to get: they stay put.
        inst->lastModulation[i] = i % 2 == 0 ? -1.0 : 0.0;
    }
    inst->modDrive[5] = std::numeric_limits<double>::quiet_NaN();
    inst->modDrive[6] = std::numeric_limits<double>::infinity(); // disabled: kept as it is
    inst->detector.highDrive = 0.9;
    inst->lowDrive = 0.2;
    inst->midDrive = 0.6;
    const std::vector<double> before = inst->modDrive;
    const std::vector<BandFilter> designed = inst->filters;
    // What one band's step gives, band by band.
    std::vector<double> drive(23), factor(23);
    for (std::size_t i = 0; i < 23; ++i) {
        const Band& b = inst->bands[i];
        const double f = b.frequency;
        const double low = 1.0 / ((f / 250.0) * (f / 250.0) + 1.0);
        const double high = 1.0 / ((4000.0 / f) * (4000.0 / f) + 1.0);
        const double mid = std::max(1.0 - low - high, 0.0);
        const double d = std::clamp((0.9 * high + low * 0.2) + mid * 0.6, 0.0, 1.0);
        const double D = before[i];
        drive[i] = std::isfinite(D) ? D + (d - D) * 0.15 : 0.0;
        factor[i] = (drive[i] - 0.25) * ((b.dynamic ? 0.45 : 0.25) * double(0.9f)) + 1.0;
        if (i % 2 == 1) {
            inst->lastModulation[i] = factor[i] + (i % 4 == 1 ? 0.0039 : -0.0041);
        }
    }
    ASSERT_EQ(inst->lastModulation.size(), 24u); // one entry more than there are bands
    inst->lastModulation[23] = -1.0;
    inst->modDrive[23] = 0.5;
    const std::vector<double> last = inst->lastModulation;
    updateModulation(*inst);
    // Nothing is stepped beyond the last band.
    EXPECT_EQ(inst->lastModulation[23], -1.0);
    EXPECT_EQ(inst->modDrive[23], 0.5);
    for (std::size_t i = 0; i < 23; ++i) {
        const bool enabled = inst->bands[i].enabled;
        const bool moves = enabled && (i % 2 == 0 || i % 4 == 3);
        if (enabled) {
            EXPECT_EQ(inst->modDrive[i], drive[i]) << i;
        } else {
            EXPECT_EQ(std::memcmp(&inst->modDrive[i], &before[i], sizeof(double)), 0) << i;
        }
        EXPECT_EQ(inst->lastModulation[i], moves ? factor[i] : last[i]) << i;
        EXPECT_EQ(inst->filters[i].designs, designed[i].designs + (moves ? 1u : 0u)) << i;
    }
    EXPECT_EQ(inst->modDrive[5], 0.0);
}

// The audio path reloads the cascade only after a tick that says it redesigned a band, so
// the answer must be true exactly when some filter took new coefficients: a tick that
// redesigned a band yet answered false would leave the cascade running stale ones.
TEST_F(ModulationUpdate, ATickSaysWhetherItRedesignedABand) {
    setParam(*inst, ParamCoupling, 1.0f);
    inst->bands[2].enabled = false;
    rebuildFilters(*inst);
    dsptest::StereoSignal music = musicLikeSignal(24000);
    int withRedesigns = 0;
    int without = 0;
    for (std::size_t at = 0; at + 32 <= music.left.size(); at += 32) {
        processBlock(*inst, music.left.data() + at, music.right.data() + at, 32);
        std::vector<std::uint64_t> designs;
        for (const BandFilter& f : inst->filters) {
            designs.push_back(f.designs);
        }
        const bool said = updateModulation(*inst);
        bool redesigned = false;
        for (std::size_t i = 0; i < designs.size(); ++i) {
            redesigned = redesigned || inst->filters[i].designs != designs[i];
        }
        ASSERT_EQ(said, redesigned) << "at " << at;
        ++(redesigned ? withRedesigns : without);
    }
    EXPECT_GT(withRedesigns, 0);
    EXPECT_GT(without, 0);
    // Below a coupling of 0.01 nothing is modulated, even a band waiting for its redesign.
    setParam(*inst, ParamCoupling, 0.0f);
    inst->lastModulation[0] = -1.0;
    EXPECT_FALSE(updateModulation(*inst));
}
