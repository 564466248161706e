// Parameter slots and texts.
#include "host_fixture.h"

#include "host/parameters.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using ParameterTest = HostTest;

// Stored values: within the unit range unchanged, at or above 1 and NaN as 1, zero
// (never negative zero) for the rest.
TEST(ParameterClamp, ValuesOutsideTheUnitRangeAreClamped) {
    const float inf = std::numeric_limits<float>::infinity();
    for (float v : {0.25f, 1e-30f, 0.99999994f}) {
        EXPECT_EQ(clampParameter(v), v);
    }
    for (float v : {1.7f, 1.0f, inf, std::nanf("")}) {
        EXPECT_EQ(clampParameter(v), 1.0f) << v;
    }
    for (float v : {-0.3f, 0.0f, -0.0f, -inf}) {
        EXPECT_EQ(clampParameter(v), 0.0f) << v;
        EXPECT_FALSE(std::signbit(clampParameter(v))) << v;
    }
}

// Names, labels and display texts are zero-padded images of 16, 8 and 24 bytes. Indices
// outside 0..4 read 0 and get placeholders; the last name is cut by the 15-byte limit.
TEST_F(ParameterTest, DefaultsAndPlaceholdersReadBackWithTheirTexts) {
    const struct {
        int index;
        float value;
        const char *name, *label, *display;
    } rows[] = {
        {0, 0.5f, "Output Trim", "dB", "+0.0"},   {1, 0.85f, "VAVU Coupling", "%", "85"},
        {2, 0.9f, "172 Sieve", "%", "90"},        {3, 0.92f, "580 Limiter", "%", "92"},
        {4, 0.0f, "Bypass", "state", "ACTIVE"},   {5, 0.0f, "Param 6", "", "0.0"},
        {7, 0.0f, "Param 8", "", "0.0"},          {-1, 0.0f, "Param 0", "", "0.0"},
        {99999, 0.0f, "Param 100000", "", "0.0"}, {2147483647, 0.0f, "Param 21474836", "", "0.0"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(effect->getParameter(effect, row.index), row.value) << row.index;
        text(effGetParamName, row.index);
        expectImage(row.name, 16);
        text(effGetParamLabel, row.index);
        expectImage(row.label, 8);
        text(effGetParamDisplay, row.index);
        expectImage(row.display, 24);
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

// A set within 0..4 rebuilds the filters and repaints an open editor; any other index
// changes nothing.
TEST_F(ParameterTest, OnlyValidSetsRebuildFiltersAndRepaint) {
    effect->setParameter(effect, 0, 0.5f); // no editor: nothing to repaint
    EXPECT_EQ(headlessCount("invalidateWindow"), 0);
    ASSERT_NE(openEditor(), nullptr);
    for (int index : {0, 1, 2, 3, 4, 5, -1, 1 << 30}) {
        const bool valid = index >= 0 && index < 5;
        inst().engine.edit.lastModulation[0] = 0.5;
        const int repaints = headlessCount("invalidateWindow");
        effect->setParameter(effect, index, valid ? 0.4f : 0.3f);
        EXPECT_EQ(inst().engine.edit.lastModulation[0], valid ? -1.0 : 0.5) << index;
        EXPECT_EQ(headlessCount("invalidateWindow"), repaints + (valid ? 1 : 0)) << index;
    }
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(effect->getParameter(effect, i), 0.4f) << i; // the invalid sets missed them
    }
}

// The rebuild uses the value just stored and grows the filter list to the band count.
TEST_F(ParameterTest, SettingAParameterRedesignsFromTheNewValue) {
    {
        std::lock_guard<std::mutex> guard(inst().engine.lock);
        inst().engine.edit.bands.push_back(inst().engine.edit.bands[2]);
        inst().engine.edit.bands.push_back(inst().engine.edit.bands[3]);
    }
    const double before = inst().engine.edit.filters[4].coeffs.b0;
    effect->setParameter(effect, 1, 0.0f);
    ASSERT_EQ(inst().engine.edit.filters.size(), 9u);
    EXPECT_NE(inst().engine.edit.filters[4].coeffs.b0, before);
    // The copies of bands 2 and 3 get the same design as their originals.
    EXPECT_EQ(inst().engine.edit.filters[7].coeffs.b0, inst().engine.edit.filters[2].coeffs.b0);
    EXPECT_EQ(inst().engine.edit.filters[8].coeffs.a1, inst().engine.edit.filters[3].coeffs.a1);
}

} // namespace
