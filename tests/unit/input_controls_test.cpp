// Knobs, bypass button and preset box through the editor's mouse messages.
#include "editor/layout.h"
#include "host/plugin_instance.h"
#include "host_fixture.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <tuple>
#include <utility>

using inputtest::EditorInputTest;

namespace {

using ControlInput = EditorInputTest;

std::atomic<int> hostCalls{0};

VstIntPtr VST_CALL countingHost(AEffect*, std::int32_t, std::int32_t, VstIntPtr, void*, float) {
    hostCalls.fetch_add(1);
    return 0;
}

} // namespace

TEST_F(ControlInput, KnobDragSpansRangeIn130PixelsFromThePressPoint) {
    inst = std::make_unique<PluginInstance>(countingHost);
    hostCalls = 0;
    const int expectedParam[4] = {1, 2, 3, 0}; // strip order is not parameter order
    for (int k = 0; k < 4; ++k) {
        const int p = expectedParam[k];
        for (int i = 0; i < kNumParams; ++i) {
            setParam(inst->engine.edit, i, i == p ? 0.5f : 0.25f);
        }
        markNotRebuilt();
        clearLog();
        press(kKnobCentreX[k], 520);
        EXPECT_EQ(inst->editor.dragKnob, k);
        EXPECT_TRUE(headlessCaptured());
        EXPECT_EQ(invalidations(), 0); // the press itself changes nothing
        // 65 px up from 0.5 is exactly 1, 65 px down exactly 0; back at the press, 0.5 again.
        const std::pair<int, float> steps[] = {{455, 1.0f}, {-200, 1.0f}, {-32768, 1.0f},
                                               {585, 0.0f}, {900, 0.0f},  {520, 0.5f}};
        for (const auto& [y, value] : steps) {
            move(kKnobCentreX[k] + 300, y); // x does not matter once the drag runs
            EXPECT_EQ(param(inst->engine.edit, p), value) << "knob " << k << " y " << y;
        }
        for (int i = 0; i < kNumParams; ++i) {
            EXPECT_EQ(param(inst->engine.edit, i), i == p ? 0.5f : 0.25f)
                << "knob " << k << " param " << i;
        }
        EXPECT_EQ(invalidations(), 6);
        EXPECT_FALSE(rebuilt());
        release();
    }
    EXPECT_EQ(hostCalls.load(), 0);
}

TEST_F(ControlInput, BypassButtonTogglesAtHalf) {
    for (const auto& [before, after] :
         {std::pair{0.5f, 0.0f}, {0.49999997f, 1.0f}, {1.0f, 0.0f}, {0.0f, 1.0f}}) {
        setParam(inst->engine.edit, ParamBypass, before);
        clearLog();
        press(842, 511);
        EXPECT_EQ(param(inst->engine.edit, ParamBypass), after) << before;
        EXPECT_EQ(invalidations(), 1);
    }
}

TEST_F(ControlInput, PresetBoxStepsThroughThePresetsKeepingKnobs) {
    setSpreadBands(24, 20);
    for (int i = 0; i < kNumParams; ++i) {
        setParam(inst->engine.edit, i, 0.3f);
    }
    markNotRebuilt();
    clearLog();
    press(400, 45); // in the preset column but below the box: nothing at all
    EXPECT_EQ(inst->editor.presetIndex, 0);
    EXPECT_EQ(inst->engine.edit.bands.size(), 24u);
    EXPECT_EQ(inst->editor.selectedBand, 20);
    EXPECT_EQ(inst->editor.dragKnob, -1);
    EXPECT_EQ(invalidations(), 0);
    EXPECT_FALSE(rebuilt());
    // Preset, its selected band and its second band's frequency, in the order pressed.
    const std::tuple<int, int, double> steps[] = {{1, 1, 60.0}, {2, 4, 95.0}, {0, 4, 85.0}};
    for (const auto& [preset, selected, secondFrequency] : steps) {
        clearLog();
        press(460, 25);
        EXPECT_EQ(inst->editor.presetIndex, preset);
        EXPECT_EQ(inst->editor.selectedBand, selected);
        ASSERT_EQ(inst->engine.edit.bands.size(), 7u);
        EXPECT_EQ(inst->engine.edit.bands[1].frequency, secondFrequency);
        for (int i = 0; i < kNumParams; ++i) {
            EXPECT_EQ(param(inst->engine.edit, i), 0.3f) << i;
        }
        EXPECT_EQ(invalidations(), 1);
    }
}

// The host learns of a knob change only when it reads the parameter.
class ControlInputHost : public HostTest {};

TEST_F(ControlInputHost, KnobValueReachesGetParameter) {
    WindowHandle window = reinterpret_cast<WindowHandle>(std::uintptr_t{0x6000});
    EditorEvent press = inputtest::event(EditorEventKind::Press, 385, 520);
    press.time = 5000;
    ASSERT_TRUE(handleEditorEvent(window, inst().editor, press));
    ASSERT_TRUE(handleEditorEvent(window, inst().editor,
                                  inputtest::event(EditorEventKind::Move, 385, 494)));
    handleEditorEvent(window, inst().editor, inputtest::event(EditorEventKind::Release));
    // 0.5 default trim, 26 pixels up: 0.2 more.
    EXPECT_FLOAT_EQ(effect->getParameter(effect, ParamOutputTrim), 0.7f);
    EXPECT_EQ(param(inst().engine.edit, ParamOutputTrim),
              effect->getParameter(effect, ParamOutputTrim));
}
