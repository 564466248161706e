#include "dsp/factory_bands.h"
#include "tests/unit/dsp_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <numeric>
#include <tuple>

namespace {

using dsptest::magnitudeDb;
using dsptest::makeInstance;
using InstanceConstruction = dsptest::EngineTest;
using InstanceSampleRate = dsptest::EngineTest;

TEST_F(InstanceConstruction, StartsWithDefaultBandsAndDesignedFilters) {
    const Band defaults[] = {
        {true, 30.0, 0.0, 0.707, LowCut, 0xFFF87171, false},
        {true, 85.0, 1.8, 0.85, LowShelf, 0xFFFB923C, false},
        {true, 180.0, 1.2, 1.25, Bell, 0xFFFBBE50, false},
        {true, 340.0, -2.5, 1.45, Bell, 0xFFFACC15, false},
        {true, 2900.0, 2.8, 1.1, Bell, 0xFFC084FC, true},
        {true, 7200.0, -1.2, 1.35, Bell, 0xFF38BDF8, false},
        {true, 12500.0, 2.6, 0.75, HighShelf, 0xFF34D399, false},
    };
    auto fields = [](const Band& b) {
        return std::tie(b.enabled, b.frequency, b.gain, b.q, b.type, b.colour, b.dynamic);
    };
    ASSERT_EQ(inst->bands.size(), 7u);
    ASSERT_EQ(inst->filters.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(fields(inst->bands[i]), fields(defaults[i])) << "band " << i;
        EXPECT_NE(inst->filters[i].coeffs.a1, 0.0) << "band " << i << " left undesigned";
    }
    // The 2900 Hz bell is designed with its mapped gain at 48 kHz.
    EXPECT_NEAR(magnitudeDb(inst->filters[4].coeffs, 2900.0, 48000.0), 2.81525, 1e-5);
    EXPECT_EQ(std::tie(inst->detectorTerms.decimation, inst->detector.peakHold,
                       inst->detector.transientScale),
              std::make_tuple(96, 0.001, 0.02));
    ASSERT_EQ(inst->lastModulation.size(), 24u);
    for (std::size_t i = 0; i < 24; ++i) {
        EXPECT_EQ(inst->modDrive.at(i), 0.0);
        EXPECT_EQ(inst->lastModulation[i], i < 7 ? -1.0 : 1.0) << i;
    }
}

TEST_F(InstanceConstruction, PrimeBinsAndHannWindow) {
    EXPECT_EQ(inst->primeBins.count(), 97u);
    for (std::size_t k : {2u, 3u, 5u, 7u, 11u, 61u, 509u}) {
        EXPECT_TRUE(inst->primeBins.test(k)) << k;
    }
    for (std::size_t k : {0u, 1u, 4u, 9u, 21u, 511u, 512u}) {
        EXPECT_FALSE(inst->primeBins.test(k)) << k;
    }
    // Symmetric over a divisor of 1023, not 1024.
    const auto& w = inst->hannWindow;
    ASSERT_EQ(w.size(), 1024u);
    EXPECT_EQ(w[0], 0.0);
    EXPECT_NEAR(w[1023], 0.0, 1e-15);
    EXPECT_EQ(w[511], *std::max_element(w.begin(), w.end()));
    EXPECT_NEAR(w[512], w[511], 1e-15);
    EXPECT_NEAR(w[100], w[923], 1e-15);
    // The coherent gain the analyser relies on.
    EXPECT_NEAR(std::accumulate(w.begin(), w.end(), 0.0), 511.5, 1e-9);
}

// Absurd host rates must not overflow the decimation count; a rate that is not finite
// counts as no rate at all.
TEST_F(InstanceSampleRate, RatesFloorsAndFallbacks) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::int32_t most = std::numeric_limits<std::int32_t>::max();
    const struct {
        float rate;
        double sampleRate, envRate;
        int decimation;
    } cases[] = {
        {48000.0f, 48000.0, 48000.0, 96},  {44100.0f, 44100.0, 44100.0, 88},
        {96000.0f, 96000.0, 96000.0, 192}, {8000.0f, 8000.0, 8000.0, 16},
        {4000.0f, 4000.0, 8000.0, 16},     {0.0f, 48000.0, 48000.0, 96},
        {-44100.0f, 48000.0, 48000.0, 96}, {std::nanf(""), 48000.0, 48000.0, 96},
        {1e30f, 1e30f, 1e30f, most},       {inf, 48000.0, 48000.0, 96},
        {-inf, 48000.0, 48000.0, 96},
    };
    for (const auto& tc : cases) {
        setSampleRate(*inst, tc.rate);
        EXPECT_EQ(std::tie(inst->sampleRate, inst->envRate, inst->detectorTerms.decimation),
                  std::tie(tc.sampleRate, tc.envRate, tc.decimation))
            << tc.rate;
    }
}

TEST_F(InstanceSampleRate, RedesignsAtNewRateAndKeepsFilterState) {
    for (BandFilter& f : inst->filters) {
        f = BandFilter{0.25, -0.5, 0.125, 0.75, f.coeffs};
    }
    std::fill(inst->lastModulation.begin(), inst->lastModulation.end(), 0.5);
    setSampleRate(*inst, 96000.0f);
    for (const BandFilter& f : inst->filters) {
        EXPECT_TRUE(f.s1L == 0.25 && f.s2L == -0.5 && f.s1R == 0.125 && f.s2R == 0.75);
    }
    EXPECT_NEAR(magnitudeDb(inst->filters[4].coeffs, 2900.0, 96000.0),
                effectiveGain(*inst, 2900.0, 2.8), 1e-9);
    EXPECT_EQ(inst->lastModulation[6], -1.0);
    EXPECT_EQ(inst->lastModulation[7], 0.5);
}

// The filter list follows the band list; only the first 24 bands have a modulation entry.
TEST(InstanceRebuild, FilterCountFollowsTheBands) {
    for (std::size_t count : {0u, 30u}) {
        auto inst = makeInstance();
        std::fill(inst->lastModulation.begin(), inst->lastModulation.end(), 0.5);
        inst->filters[0].s1L = 0.3;
        inst->bands.resize(std::min<std::size_t>(count, 7));
        for (std::size_t i = inst->bands.size(); i < count; ++i) {
            inst->bands.push_back(Band{true, 100.0 + 500.0 * double(i), 3.0, 1.0, Bell, 0, false});
        }
        rebuildFilters(*inst);
        ASSERT_EQ(inst->filters.size(), count);
        ASSERT_EQ(inst->lastModulation.size(), 24u);
        for (std::size_t i = 0; i < 24; ++i) {
            EXPECT_EQ(inst->lastModulation[i], i < count ? -1.0 : 0.5) << count << "/" << i;
        }
        for (std::size_t i = 7; i < count; ++i) {
            const double f = inst->bands[i].frequency;
            EXPECT_NEAR(magnitudeDb(inst->filters[i].coeffs, f, 48000.0),
                        effectiveGain(*inst, f, 3.0), 1e-9)
                << "band " << i;
            EXPECT_EQ(inst->filters[i].s1R, 0.0);
        }
        if (count > 0) {
            EXPECT_EQ(inst->filters[0].s1L, 0.3); // running state survives the rebuild
        }
    }
}

// Each factory list has exactly one dynamic band, the one it selects; indices are clamped.
TEST(DspFactoryBands, EachListHasOneDynamicBandWhichIsSelected) {
    for (int p = 0; p < kFactoryPresetCount; ++p) {
        const FactoryBandList& list = factoryBandList(p);
        for (std::size_t i = 0; i < list.bands.size(); ++i) {
            EXPECT_EQ(list.bands[i].dynamic, int(i) == list.selectedBand) << p << "/" << i;
        }
    }
    EXPECT_EQ(&factoryBandList(-3), &factoryBandList(0));
    EXPECT_EQ(&factoryBandList(7), &factoryBandList(2));
}

} // namespace
