#include "dsp/factory_bands.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace {

using dsptest::magnitudeDb;
using dsptest::makeInstance;

bool sameBand(const Band& a, const Band& b) {
    return a.enabled == b.enabled && a.frequency == b.frequency && a.gain == b.gain && a.q == b.q &&
           a.type == b.type && a.colour == b.colour && a.dynamic == b.dynamic;
}

TEST(InstanceConstruction, StartsWithDefaultBandsAndDesignedFilters) {
    auto inst = makeInstance();
    const FactoryBandList& defaults = factoryBandList(0);
    ASSERT_EQ(inst->bands.size(), 7u);
    ASSERT_EQ(inst->filters.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_TRUE(sameBand(inst->bands[i], defaults.bands[i])) << i;
        const BandFilter& f = inst->filters[i];
        EXPECT_EQ(f.s1L, 0.0);
        EXPECT_EQ(f.s2R, 0.0);
        EXPECT_NE(f.coeffs.a1, 0.0) << "band " << i << " left undesigned";
    }
    // The 2900 Hz bell is designed with its mapped gain at 48 kHz.
    EXPECT_NEAR(magnitudeDb(inst->filters[4].coeffs, 2900.0, 48000.0), 2.81525, 1e-5);
    EXPECT_EQ(inst->selectedBand, 4);
    EXPECT_GE(inst->bands.capacity(), 24u);
    EXPECT_GE(inst->filters.capacity(), 24u);
}

TEST(InstanceConstruction, ParametersDetectorAndModulationDefaults) {
    auto inst = makeInstance();
    const float params[] = {0.5f, 0.85f, 0.9f, 0.92f, 0.0f};
    for (int i = 0; i < kNumParams; ++i) {
        EXPECT_EQ(param(*inst, i), params[i]) << i;
    }
    EXPECT_EQ(inst->sampleRate, 48000.0);
    EXPECT_EQ(inst->envRate, 48000.0);
    EXPECT_EQ(inst->decimation, 96);
    EXPECT_EQ(inst->peakHold, 0.001);
    EXPECT_EQ(inst->transientScale, 0.02);
    EXPECT_EQ(inst->spectrumDb, std::vector<float>(513, -80.0f));
    EXPECT_EQ(inst->analysisRing, std::vector<float>(1024, 0.0f));
    ASSERT_EQ(inst->modDrive.size(), 24u);
    ASSERT_EQ(inst->lastModulation.size(), 24u);
    for (std::size_t i = 0; i < 24; ++i) {
        EXPECT_EQ(inst->modDrive[i], 0.0);
        EXPECT_EQ(inst->lastModulation[i], i < 7 ? -1.0 : 1.0) << i;
    }
}

TEST(InstanceConstruction, PrimeBinsMarkThe97PrimesUpTo512) {
    auto inst = makeInstance();
    EXPECT_EQ(inst->primeBins.count(), 97u);
    for (std::size_t k : {2u, 3u, 5u, 7u, 11u, 61u, 509u}) {
        EXPECT_TRUE(inst->primeBins.test(k)) << k;
    }
    for (std::size_t k : {0u, 1u, 4u, 9u, 21u, 511u, 512u}) {
        EXPECT_FALSE(inst->primeBins.test(k)) << k;
    }
}

TEST(InstanceConstruction, HannWindowIsSymmetricOver1023) {
    auto inst = makeInstance();
    const auto& w = inst->hannWindow;
    ASSERT_EQ(w.size(), 1024u);
    EXPECT_EQ(w[0], 0.0);
    EXPECT_NEAR(w[1023], 0.0, 1e-15);
    const double peak = *std::max_element(w.begin(), w.end());
    EXPECT_EQ(w[511], peak);
    EXPECT_NEAR(w[512], peak, 1e-15);
    EXPECT_NEAR(w[100], w[923], 1e-15);
    double sum = 0.0;
    for (double v : w) {
        sum += v;
    }
    EXPECT_NEAR(sum, 511.5, 1e-9); // the coherent gain the analyser relies on
}

struct RateCase {
    float rate;
    double sampleRate, envRate;
    int decimation;
};

TEST(InstanceSampleRate, RatesFloorsAndFallbacks) {
    const float inf = std::numeric_limits<float>::infinity();
    const RateCase cases[] = {
        {48000.0f, 48000.0, 48000.0, 96},
        {44100.0f, 44100.0, 44100.0, 88},
        {96000.0f, 96000.0, 96000.0, 192},
        {8000.0f, 8000.0, 8000.0, 16},
        {4000.0f, 4000.0, 8000.0, 16},
        {0.0f, 48000.0, 48000.0, 96},
        {-44100.0f, 48000.0, 48000.0, 96},
        {std::nanf(""), 48000.0, 48000.0, 96},
        // Absurd host values must not overflow the decimation count.
        {1e30f, 1e30f, 1e30f, std::numeric_limits<std::int32_t>::max()},
        {inf, inf, inf, std::numeric_limits<std::int32_t>::max()},
    };
    for (const RateCase& tc : cases) {
        auto inst = makeInstance();
        setSampleRate(*inst, tc.rate);
        EXPECT_EQ(inst->sampleRate, tc.sampleRate) << tc.rate;
        EXPECT_EQ(inst->envRate, tc.envRate) << tc.rate;
        EXPECT_EQ(inst->decimation, tc.decimation) << tc.rate;
    }
}

TEST(InstanceSampleRate, RedesignsAtNewRateAndKeepsFilterState) {
    auto inst = makeInstance();
    for (BandFilter& f : inst->filters) {
        f = BandFilter{0.25, -0.5, 0.125, 0.75, f.coeffs};
    }
    std::fill(inst->lastModulation.begin(), inst->lastModulation.end(), 0.5);
    setSampleRate(*inst, 96000.0f);
    for (const BandFilter& f : inst->filters) {
        EXPECT_EQ(f.s1L, 0.25);
        EXPECT_EQ(f.s2L, -0.5);
        EXPECT_EQ(f.s1R, 0.125);
        EXPECT_EQ(f.s2R, 0.75);
    }
    EXPECT_NEAR(magnitudeDb(inst->filters[4].coeffs, 2900.0, 96000.0),
                effectiveGain(*inst, 2900.0, 2.8), 1e-9);
    EXPECT_EQ(inst->lastModulation[6], -1.0);
    EXPECT_EQ(inst->lastModulation[7], 0.5);
}

TEST(InstanceRebuild, EmptyBandListEmptiesFilters) {
    auto inst = makeInstance();
    inst->bands.clear();
    rebuildFilters(*inst);
    EXPECT_TRUE(inst->filters.empty());
}

TEST(InstanceRebuild, ThirtyBandsAreAllDesignedOnlyFirst24Marked) {
    auto inst = makeInstance();
    std::fill(inst->lastModulation.begin(), inst->lastModulation.end(), 0.5);
    inst->filters[0].s1L = 0.3;
    const std::size_t old = inst->bands.size();
    for (std::size_t i = old; i < 30; ++i) {
        inst->bands.push_back(Band{true, 100.0 + 500.0 * double(i), 3.0, 1.0, Bell, 0, false});
    }
    rebuildFilters(*inst);
    ASSERT_EQ(inst->filters.size(), 30u);
    ASSERT_EQ(inst->lastModulation.size(), 24u);
    EXPECT_TRUE(std::all_of(inst->lastModulation.begin(), inst->lastModulation.end(),
                            [](double m) { return m == -1.0; }));
    EXPECT_EQ(inst->filters[0].s1L, 0.3); // running state survives the rebuild
    for (std::size_t i = old; i < 30; ++i) {
        const double f = inst->bands[i].frequency;
        EXPECT_NEAR(magnitudeDb(inst->filters[i].coeffs, f, 48000.0), effectiveGain(*inst, f, 3.0),
                    1e-9)
            << "band " << i;
        EXPECT_EQ(inst->filters[i].s1R, 0.0);
    }
}

TEST(DspFactoryBands, EachListHasOneDynamicBandWhichIsSelected) {
    const int expectedSelection[] = {4, 1, 4};
    for (int p = 0; p < kFactoryPresetCount; ++p) {
        const FactoryBandList& list = factoryBandList(p);
        EXPECT_EQ(list.selectedBand, expectedSelection[p]);
        int dynamicCount = 0;
        for (std::size_t i = 0; i < list.bands.size(); ++i) {
            EXPECT_TRUE(list.bands[i].enabled);
            dynamicCount += list.bands[i].dynamic ? 1 : 0;
            EXPECT_EQ(list.bands[i].dynamic, int(i) == list.selectedBand) << p << "/" << i;
        }
        EXPECT_EQ(dynamicCount, 1);
    }
    EXPECT_EQ(&factoryBandList(-3), &factoryBandList(0));
    EXPECT_EQ(&factoryBandList(7), &factoryBandList(2));
    EXPECT_EQ(factoryBandList(1).bands[1].frequency, 60.0);
    EXPECT_EQ(factoryBandList(2).bands[2].colour, 0xFFFACC15u);
}

} // namespace
