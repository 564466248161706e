// The saved-state record: what goes in comes back, and anything damaged is refused whole.
#include "dsp/factory_bands.h"
#include "vst3/state_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

SavedState editedState() {
    SavedState s;
    s.params = {0.75f, 0.4f, 0.9f, 0.1f, 1.0f};
    const FactoryBandList& list = factoryBandList(1);
    s.bands.assign(list.bands.begin(), list.bands.end());
    s.bands[2].frequency = 2000.0;
    s.bands[2].gain = 9.0;
    s.bands[3].enabled = false;
    s.bands[5].type = Notch;
    s.bands.push_back(Band{true, 20.0, -24.0, 18.0, HighShelf, 0x12345678u, true});
    s.presetIndex = 2;
    s.selectedBand = 7;
    return s;
}

void expectSame(const SavedState& a, const SavedState& b) {
    EXPECT_EQ(a.params, b.params);
    EXPECT_EQ(a.presetIndex, b.presetIndex);
    EXPECT_EQ(a.selectedBand, b.selectedBand);
    ASSERT_EQ(a.bands.size(), b.bands.size());
    for (std::size_t i = 0; i < a.bands.size(); ++i) {
        EXPECT_EQ(a.bands[i].enabled, b.bands[i].enabled) << i;
        EXPECT_EQ(a.bands[i].dynamic, b.bands[i].dynamic) << i;
        EXPECT_EQ(a.bands[i].type, b.bands[i].type) << i;
        EXPECT_EQ(a.bands[i].colour, b.bands[i].colour) << i;
        EXPECT_EQ(a.bands[i].frequency, b.bands[i].frequency) << i;
        EXPECT_EQ(a.bands[i].gain, b.bands[i].gain) << i;
        EXPECT_EQ(a.bands[i].q, b.bands[i].q) << i;
    }
}

// Rewrites one field and the checksum after it, so only the range check can refuse it.
std::vector<std::uint8_t> withField(std::vector<std::uint8_t> record, std::size_t offset,
                                    const void* value, std::size_t bytes) {
    std::memcpy(record.data() + offset, value, bytes);
    const std::size_t checked = record.size() - 4;
    const std::uint32_t crc = crc32(record.data(), checked);
    for (int i = 0; i < 4; ++i) {
        record[checked + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
    }
    return record;
}

bool refused(const std::vector<std::uint8_t>& record) {
    return !decodeStateRecord(record.data(), record.size()).has_value();
}

} // namespace

TEST(StateRecord, RoundTripsEveryField) {
    const SavedState state = editedState();
    const auto record = encodeStateRecord(state);
    EXPECT_EQ(record.size(), kStateHeaderBytes + 32 + state.bands.size() * kStateBandBytes + 4);
    const auto back = decodeStateRecord(record.data(), record.size());
    ASSERT_TRUE(back.has_value());
    expectSame(state, *back);
    EXPECT_EQ(encodeStateRecord(*back), record);
}

// The documented layout, byte for byte: a reader written from the header's table finds each
// field where it says.
TEST(StateRecord, LayoutIsTheDocumentedOne) {
    const auto record = encodeStateRecord(editedState());
    EXPECT_EQ(0, std::memcmp(record.data(), "TQST", 4));
    EXPECT_EQ(record[4], 1);
    EXPECT_EQ(record[8] | record[9] << 8, static_cast<int>(record.size() - 12));
    float trim = 0.0f;
    std::memcpy(&trim, record.data() + 12, 4);
    EXPECT_EQ(trim, 0.75f);
    EXPECT_EQ(record[32], 2); // preset
    EXPECT_EQ(record[36], 7); // selected band
    EXPECT_EQ(record[40], 8); // band count
    const std::size_t band2 = 44 + 2 * kStateBandBytes;
    double frequency = 0.0;
    double gain = 0.0;
    std::memcpy(&frequency, record.data() + band2 + 12, 8);
    std::memcpy(&gain, record.data() + band2 + 20, 8);
    EXPECT_EQ(frequency, 2000.0);
    EXPECT_EQ(gain, 9.0);
    EXPECT_EQ(record[44 + 3 * kStateBandBytes], 0); // band 3 disabled
    EXPECT_EQ(record[44 + 5 * kStateBandBytes + 4], Notch);
}

TEST(StateRecord, RefusesTruncatedExtendedAndFlippedRecords) {
    const auto record = encodeStateRecord(editedState());
    for (std::size_t n = 0; n < record.size(); ++n) {
        EXPECT_FALSE(decodeStateRecord(record.data(), n).has_value()) << "cut at " << n;
    }
    auto longer = record;
    longer.push_back(0);
    EXPECT_TRUE(refused(longer));
    for (std::size_t i = 0; i < record.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            auto flipped = record;
            flipped[i] = static_cast<std::uint8_t>(flipped[i] ^ (1u << bit));
            EXPECT_TRUE(refused(flipped)) << "byte " << i << " bit " << bit;
        }
    }
}

TEST(StateRecord, RefusesUnknownVersionsAndValuesOutOfRange) {
    const auto record = encodeStateRecord(editedState());
    const std::uint32_t versions[] = {0, 2, 0xFFFFFFFFu};
    for (std::uint32_t v : versions) {
        EXPECT_TRUE(refused(withField(record, 4, &v, 4))) << v;
    }
    const float badParams[] = {-0.01f, 1.01f, std::numeric_limits<float>::quiet_NaN()};
    for (float p : badParams) {
        EXPECT_TRUE(refused(withField(record, 12 + 4 * 3, &p, 4))) << p;
    }
    const std::int32_t badPresets[] = {-1, 3};
    for (std::int32_t p : badPresets) {
        EXPECT_TRUE(refused(withField(record, 32, &p, 4))) << p;
    }
    const std::int32_t badSelections[] = {-2, 8};
    for (std::int32_t s : badSelections) {
        EXPECT_TRUE(refused(withField(record, 36, &s, 4))) << s;
    }
    const std::size_t band = 44 + kStateBandBytes;
    const std::uint32_t badType = 6;
    EXPECT_TRUE(refused(withField(record, band + 4, &badType, 4)));
    const std::uint8_t two = 2;
    EXPECT_TRUE(refused(withField(record, band, &two, 1)));
    EXPECT_TRUE(refused(withField(record, band + 1, &two, 1)));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double badValues[][3] = {{19.0, 0.0, 1.0},     {20001.0, 0.0, 1.0}, {1000.0, 24.5, 1.0},
                                   {1000.0, -25.0, 1.0}, {1000.0, 0.0, 0.1},  {1000.0, 0.0, 19.0},
                                   {nan, 0.0, 1.0},      {1000.0, nan, 1.0},  {1000.0, 0.0, nan}};
    for (const auto& v : badValues) {
        auto bad = withField(record, band + 12, &v[0], 8);
        bad = withField(bad, band + 20, &v[1], 8);
        EXPECT_TRUE(refused(withField(bad, band + 28, &v[2], 8)))
            << v[0] << " Hz " << v[1] << " dB Q " << v[2];
    }
    // The edges themselves are values the editor can reach.
    const double edges[3] = {20000.0, -24.0, 0.2};
    auto edge = withField(record, band + 12, &edges[0], 8);
    edge = withField(edge, band + 20, &edges[1], 8);
    EXPECT_FALSE(refused(withField(edge, band + 28, &edges[2], 8)));
}

TEST(StateRecord, RefusesBandCountsOutsideOneToTwentyFour) {
    SavedState none = editedState();
    none.bands.clear();
    none.selectedBand = -1;
    EXPECT_TRUE(refused(encodeStateRecord(none)));
    SavedState many = editedState();
    many.bands.assign(25, many.bands[0]);
    EXPECT_TRUE(refused(encodeStateRecord(many)));
    many.bands.resize(24);
    EXPECT_FALSE(refused(encodeStateRecord(many)));
}

// Random damage of every kind: each record is refused or decodes to something that
// encodes back to exactly the bytes given.
TEST(StateRecord, MutatedRecordsAreRefusedOrExact) {
    const auto record = encodeStateRecord(editedState());
    std::mt19937 random(20261207);
    int restored = 0;
    for (int round = 0; round < 10000; ++round) {
        auto mutated = record;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            switch (random() % 4) {
            case 0:
                mutated[random() % mutated.size()] = static_cast<std::uint8_t>(random());
                break;
            case 1:
                mutated.resize(random() % mutated.size());
                break;
            case 2:
                mutated.push_back(static_cast<std::uint8_t>(random()));
                break;
            default: { // a value changed with a fresh checksum: only the ranges guard it
                const std::uint8_t byte = static_cast<std::uint8_t>(random());
                if (mutated.size() > 16) {
                    mutated = withField(mutated, 12 + random() % (mutated.size() - 16), &byte, 1);
                }
            }
            }
            if (mutated.empty()) {
                break;
            }
        }
        const auto back = decodeStateRecord(mutated.data(), mutated.size());
        if (back) {
            ++restored;
            EXPECT_EQ(encodeStateRecord(*back), mutated);
        }
    }
    EXPECT_GT(restored, 0); // the re-checksummed edits must sometimes land in range
}
