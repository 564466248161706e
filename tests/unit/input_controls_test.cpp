// Knobs, bypass button and preset box through the editor's mouse messages.
#include "dsp/factory_bands.h"
#include "dsp/plugin_instance.h"
#include "editor/layout.h"
#include "host_fixture.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>

using inputtest::EditorInputTest;
using inputtest::pointLParam;

namespace {

using ControlInput = EditorInputTest;

std::atomic<int> hostCalls{0};

VstIntPtr VST_CALL countingHost(AEffect*, std::int32_t, std::int32_t, VstIntPtr, void*, float) {
    hostCalls.fetch_add(1);
    return 0;
}

std::array<float, kNumParams> paramsOf(const PluginInstance& inst) {
    std::array<float, kNumParams> values{};
    for (int i = 0; i < kNumParams; ++i) {
        values[static_cast<std::size_t>(i)] = param(inst, i);
    }
    return values;
}

} // namespace

TEST_F(ControlInput, KnobDragSpansRangeIn130PixelsFromThePressPoint) {
    inst = std::make_unique<PluginInstance>(countingHost);
    hostCalls = 0;
    const int expectedParam[4] = {1, 2, 3, 0}; // strip order is not parameter order
    for (int k = 0; k < 4; ++k) {
        const int p = expectedParam[k];
        for (int i = 0; i < kNumParams; ++i) {
            setParam(*inst, i, 0.25f);
        }
        setParam(*inst, p, 0.5f);
        markNotRebuilt();
        clearLog();
        press(kKnobCentreX[k], 520);
        EXPECT_EQ(inst->dragKnob, k);
        EXPECT_TRUE(headlessCaptured());
        EXPECT_EQ(invalidations(), 0); // the press itself changes nothing
        struct Step {
            int y;
            float value;
        };
        for (const Step s : {Step{455, 1.0f}, Step{-200, 1.0f}, Step{-32768, 1.0f}, Step{585, 0.0f},
                             Step{900, 0.0f}, Step{520, 0.5f}}) {
            move(kKnobCentreX[k] + 300, s.y); // x does not matter once the drag runs
            EXPECT_EQ(param(*inst, p), s.value) << "knob " << k << " y " << s.y;
        }
        for (int i = 0; i < kNumParams; ++i) {
            if (i != p) {
                EXPECT_EQ(param(*inst, i), 0.25f) << "knob " << k << " touched " << i;
            }
        }
        EXPECT_EQ(invalidations(), 6);
        EXPECT_FALSE(rebuilt());
        release();
        EXPECT_EQ(inst->dragKnob, -1);
        EXPECT_FALSE(headlessCaptured());
    }
    EXPECT_EQ(hostCalls.load(), 0);
}

TEST_F(ControlInput, BypassButtonTogglesAtHalf) {
    struct Case {
        float before;
        float after;
    };
    for (const Case c :
         {Case{0.5f, 0.0f}, Case{0.49999997f, 1.0f}, Case{1.0f, 0.0f}, Case{0.0f, 1.0f}}) {
        setParam(*inst, ParamBypass, c.before);
        clearLog();
        press(842, 511);
        EXPECT_EQ(param(*inst, ParamBypass), c.after) << c.before;
        EXPECT_EQ(invalidations(), 1);
    }
}

TEST_F(ControlInput, PressBelowThePresetBoxDoesNothing) {
    const auto params = paramsOf(*inst);
    markNotRebuilt();
    press(400, 45);
    EXPECT_EQ(inst->presetIndex, 0);
    EXPECT_EQ(paramsOf(*inst), params);
    EXPECT_EQ(inst->selectedBand, 4);
    EXPECT_EQ(inst->dragKnob, -1);
    EXPECT_EQ(invalidations(), 0);
    EXPECT_FALSE(rebuilt());
}

TEST_F(ControlInput, PresetBoxStepsThroughThePresetsKeepingKnobs) {
    setSpreadBands(24, 20);
    setParam(*inst, ParamCoupling, 0.3f);
    const auto params = paramsOf(*inst);
    struct Step {
        int preset;
        int selected;
        double secondFrequency;
    };
    for (const Step s : {Step{1, 1, 60.0}, Step{2, 4, 95.0}, Step{0, 4, 85.0}}) {
        clearLog();
        press(460, 25);
        EXPECT_EQ(inst->presetIndex, s.preset);
        EXPECT_EQ(inst->selectedBand, s.selected);
        ASSERT_EQ(inst->bands.size(), 7u);
        EXPECT_EQ(inst->filters.size(), 7u);
        EXPECT_EQ(inst->bands[1].frequency, s.secondFrequency);
        EXPECT_EQ(paramsOf(*inst), params);
        EXPECT_EQ(invalidations(), 1);
    }
    // Back at preset 0: exactly the list a new instance starts with.
    const FactoryBandList& start = factoryBandList(0);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(inst->bands[i].frequency, start.bands[i].frequency);
        EXPECT_EQ(inst->bands[i].gain, start.bands[i].gain);
        EXPECT_EQ(inst->bands[i].colour, start.bands[i].colour);
    }
}

// The host learns of a knob change only when it reads the parameter.
class ControlInputHost : public HostTest {};

TEST_F(ControlInputHost, KnobValueReachesGetParameter) {
    WindowHandle window = reinterpret_cast<WindowHandle>(std::uintptr_t{0x6000});
    headlessSetTickCount(5000);
    ASSERT_TRUE(handleEditorMessage(window, inst(), kWmLButtonDown, 0, pointLParam(385, 520)));
    ASSERT_TRUE(handleEditorMessage(window, inst(), kWmMouseMove, 0, pointLParam(385, 494)));
    handleEditorMessage(window, inst(), kWmLButtonUp, 0, 0);
    // 0.5 default trim, 26 pixels up: 0.2 more.
    EXPECT_FLOAT_EQ(effect->getParameter(effect, ParamOutputTrim), 0.7f);
    EXPECT_EQ(param(inst(), ParamOutputTrim), effect->getParameter(effect, ParamOutputTrim));
}
