// Factory preset titles and loading.
#include "editor/presets.h"
#include "paint_test_support.h"

using namespace painttest;

TEST(Presets, LoadFromTwentyFourBandsLeavesSeven) {
    for (int preset = 0; preset < 3; ++preset) {
        auto inst = makeInstance();
        const std::lock_guard<std::mutex> guard(inst->engine.lock);
        inst->engine.edit.bands.assign(24, band(Bell, 1000.0, 3.0, 0xFF102030u, false));
        rebuildFilters(inst->engine.edit);
        loadPreset(inst->editor, preset);
        EXPECT_EQ(inst->engine.edit.bands.size(), 7u);
        EXPECT_EQ(inst->engine.edit.filters.size(), 7u);
        for (const Band& b : inst->engine.edit.bands) {
            EXPECT_TRUE(b.enabled);
        }
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(inst->engine.edit.lastModulation[static_cast<std::size_t>(i)], -1.0);
        }
    }
}

TEST(Presets, SelectsTheDynamicBand) {
    const int expected[] = {4, 1, 4};
    for (int preset = 0; preset < 3; ++preset) {
        auto inst = makeInstance();
        inst->editor.selectedBand = -1;
        loadPreset(inst->editor, preset);
        ASSERT_EQ(inst->editor.selectedBand, expected[preset]);
        EXPECT_TRUE(inst->engine.edit.bands[static_cast<std::size_t>(expected[preset])].dynamic);
    }
    auto inst = makeInstance();
    loadPreset(inst->editor, 1);
    EXPECT_EQ(inst->engine.edit.bands[1].frequency, 60.0);
    EXPECT_EQ(inst->engine.edit.bands[6].type, static_cast<std::uint32_t>(HighCut));
}

TEST(Presets, ReloadingFirstRestoresStartListAndKeepsKnobs) {
    auto fresh = makeInstance();
    auto inst = makeInstance();
    const float knobs[kNumParams] = {0.1f, 0.2f, 0.3f, 0.4f, 0.6f};
    for (int i = 0; i < kNumParams; ++i) {
        setParam(inst->engine.edit, i, knobs[i]);
    }
    inst->engine.edit.bands[2].gain = 9.0;
    inst->engine.edit.bands[0].enabled = false;
    inst->engine.edit.bands.push_back(band(Notch, 500.0, 0.0, 0xFF000000u));
    loadPreset(inst->editor, 2);
    loadPreset(inst->editor, 0);
    ASSERT_EQ(inst->engine.edit.bands.size(), fresh->engine.edit.bands.size());
    for (std::size_t i = 0; i < fresh->engine.edit.bands.size(); ++i) {
        const Band& a = inst->engine.edit.bands[i];
        const Band& b = fresh->engine.edit.bands[i];
        EXPECT_EQ(a.enabled, b.enabled);
        EXPECT_EQ(a.frequency, b.frequency);
        EXPECT_EQ(a.gain, b.gain);
        EXPECT_EQ(a.q, b.q);
        EXPECT_EQ(a.type, b.type);
        EXPECT_EQ(a.colour, b.colour);
        EXPECT_EQ(a.dynamic, b.dynamic);
    }
    EXPECT_EQ(inst->editor.selectedBand, 4);
    for (int i = 0; i < kNumParams; ++i) {
        EXPECT_EQ(param(inst->engine.edit, i), knobs[i]);
    }
}
