// Parameter slots and texts.
#include "host_fixture.h"

#include "host/parameters.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using ParameterTest = HostTest;

TEST(ParameterClamp, ValuesOutsideTheUnitRangeAreClamped) {
    const struct {
        float in;
        float out;
    } rows[] = {{1.7f, 1.0f},
                {1.0f, 1.0f},
                {-0.3f, 0.0f},
                {0.0f, 0.0f},
                {0.25f, 0.25f},
                {1e-30f, 1e-30f},
                {0.99999994f, 0.99999994f},
                {std::numeric_limits<float>::infinity(), 1.0f},
                {-std::numeric_limits<float>::infinity(), 0.0f},
                {std::numeric_limits<float>::quiet_NaN(), 1.0f}};
    for (const auto& row : rows) {
        EXPECT_EQ(clampParameter(row.in), row.out) << row.in;
    }
    // Negative zero is stored as positive zero.
    EXPECT_FALSE(std::signbit(clampParameter(-0.0f)));
}

TEST_F(ParameterTest, DefaultsReadBackWithTheirTexts) {
    const struct {
        float value;
        const char* name;
        const char* label;
        const char* display;
    } rows[] = {{0.5f, "Output Trim", "dB", "+0.0"},
                {0.85f, "VAVU Coupling", "%", "85"},
                {0.9f, "172 Sieve", "%", "90"},
                {0.92f, "580 Limiter", "%", "92"},
                {0.0f, "Bypass", "state", "ACTIVE"}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(effect->getParameter(effect, i), rows[i].value) << i;
        EXPECT_EQ(text(effGetParamName, i), rows[i].name);
        EXPECT_EQ(text(effGetParamLabel, i), rows[i].label);
        EXPECT_EQ(text(effGetParamDisplay, i), rows[i].display);
        EXPECT_EQ(lastAnswer, 1);
    }
}

TEST_F(ParameterTest, DisplayTextsFollowTheStoredValue) {
    const struct {
        int index;
        float value;
        const char* display;
    } rows[] = {{0, 0.75f, "+6.0"},   {0, 0.0f, "-12.0"},  {0, 1.0f, "+12.0"}, {0, 0.51f, "+0.2"},
                {1, 0.333f, "33"},    {2, 1.0f, "100"},    {3, 0.005f, "0"},   {3, 0.926f, "93"},
                {4, 0.49f, "ACTIVE"}, {4, 0.5f, "BYPASS"}, {4, 1.0f, "BYPASS"}};
    for (const auto& row : rows) {
        effect->setParameter(effect, row.index, row.value);
        EXPECT_EQ(effect->getParameter(effect, row.index), row.value);
        EXPECT_EQ(text(effGetParamDisplay, row.index), row.display)
            << row.index << " = " << row.value;
    }
}

TEST_F(ParameterTest, OutOfRangeIndicesGetPlaceholderTexts) {
    const struct {
        int index;
        const char* name;
    } rows[] = {{5, "Param 6"},
                {7, "Param 8"},
                {-1, "Param 0"},
                {99999, "Param 100000"},
                {2147483647, "Param 21474836"}}; // 15-byte limit cuts the name
    for (const auto& row : rows) {
        EXPECT_EQ(text(effGetParamName, row.index), row.name);
        for (std::size_t i = std::strlen(row.name); i < 16; ++i) {
            EXPECT_EQ(buffer[i], '\0');
        }
        EXPECT_EQ(text(effGetParamLabel, row.index), "");
        EXPECT_EQ(text(effGetParamDisplay, row.index), "0.0");
        EXPECT_EQ(effect->getParameter(effect, row.index), 0.0f);
    }
}

TEST_F(ParameterTest, TextImagesAreZeroPaddedToTheirSizes) {
    const struct {
        std::int32_t opcode;
        std::size_t size;
    } rows[] = {{effGetParamName, 16}, {effGetParamLabel, 8}, {effGetParamDisplay, 24}};
    for (const auto& row : rows) {
        text(row.opcode, 4);
        for (std::size_t i = std::strlen(buffer); i < row.size; ++i) {
            EXPECT_EQ(buffer[i], '\0') << row.opcode << " byte " << i;
        }
        EXPECT_EQ(buffer[row.size], 'x') << row.opcode;
    }
}

TEST_F(ParameterTest, TextRequestsWithANullBufferAnswerZero) {
    for (std::int32_t opcode : {effGetParamLabel, effGetParamDisplay, effGetParamName}) {
        EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << opcode;
    }
}

TEST_F(ParameterTest, OutOfRangeSetsChangeNothingAndDoNotRepaint) {
    int parent = 0;
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    inst().lastModulation[0] = 0.5;
    const int repaints = headlessCount("invalidateWindow");
    for (int index : {5, -1, 1 << 30}) {
        effect->setParameter(effect, index, 0.3f);
    }
    EXPECT_EQ(headlessCount("invalidateWindow"), repaints);
    EXPECT_EQ(inst().lastModulation[0], 0.5); // no filter rebuild either
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(effect->getParameter(effect, i), 0.3f);
    }
}

TEST_F(ParameterTest, EverySetRebuildsFiltersAndRepaintsAnOpenEditor) {
    effect->setParameter(effect, 0, 0.5f); // no editor: nothing to repaint
    EXPECT_EQ(headlessCount("invalidateWindow"), 0);
    int parent = 0;
    ASSERT_EQ(dispatch(effEditOpen, 0, 0, &parent), 1);
    for (int index = 0; index < 5; ++index) {
        inst().lastModulation[0] = 0.5;
        const int repaints = headlessCount("invalidateWindow");
        effect->setParameter(effect, index, 0.4f);
        EXPECT_EQ(inst().lastModulation[0], -1.0) << index;
        EXPECT_EQ(headlessCount("invalidateWindow"), repaints + 1) << index;
    }
}

TEST_F(ParameterTest, SettingAParameterGrowsTheFilterListToTheBandCount) {
    {
        std::lock_guard<std::mutex> guard(inst().lock);
        inst().bands.push_back(inst().bands[2]);
        inst().bands.push_back(inst().bands[3]);
    }
    ASSERT_EQ(inst().filters.size(), 7u);
    effect->setParameter(effect, 2, 0.6f);
    ASSERT_EQ(inst().filters.size(), 9u);
    // The copies of bands 2 and 3 get the same design as their originals.
    EXPECT_EQ(inst().filters[7].coeffs.b0, inst().filters[2].coeffs.b0);
    EXPECT_EQ(inst().filters[8].coeffs.a1, inst().filters[3].coeffs.a1);
}

TEST_F(ParameterTest, CouplingChangesTheDesignedGains) {
    const double before = inst().filters[4].coeffs.b0;
    effect->setParameter(effect, 1, 0.0f);
    EXPECT_NE(inst().filters[4].coeffs.b0, before);
}

} // namespace
