// Band editing through the editor's mouse and keyboard messages.
#include "editor/input_hit.h"
#include "editor/layout.h"
#include "host/plugin_instance.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <tuple>
#include <vector>

using inputtest::bell;
using inputtest::EditorInputTest;

namespace {

using BandInput = EditorInputTest;

constexpr std::uint32_t kPalette[8] = {0xFFF87171u, 0xFFFB923Cu, 0xFFFACC15u, 0xFFC084FCu,
                                       0xFF38BDF8u, 0xFF34D399u, 0xFFEC4899u, 0xFFA855F7u};

auto fields(const Band& b) {
    return std::tie(b.enabled, b.frequency, b.gain, b.q, b.type, b.colour, b.dynamic);
}

// The filter the audio path would use for band i right now.
void expectFilterFollowsBand(const PluginInstance& inst, std::size_t i) {
    const Band& b = inst.engine.edit.bands[i];
    const BiquadCoefficients w =
        designBiquad(b.type, b.frequency, effectiveGain(inst.engine.edit, b.frequency, b.gain), b.q,
                     inst.engine.edit.sampleRate);
    const BiquadCoefficients& g = inst.engine.edit.filters[i].coeffs;
    EXPECT_EQ(std::tie(g.b0, g.b1, g.b2, g.a1, g.a2), std::tie(w.b0, w.b1, w.b2, w.a1, w.a2));
}

} // namespace

TEST_F(BandInput, PressOnNodeStartsDragThatFollowsCursorAndPinsAtEveryEdge) {
    markNotRebuilt();
    const Band b2 = inst->engine.edit.bands[2];
    pressNode(2);
    EXPECT_EQ(inst->editor.selectedBand, 2);
    EXPECT_EQ(inst->editor.dragBand, 2);
    EXPECT_TRUE(headlessCaptured());
    EXPECT_EQ(invalidations(), 1);
    EXPECT_FALSE(rebuilt()); // nothing changes until the mouse moves
    EXPECT_EQ(fields(inst->engine.edit.bands[2]), fields(b2));
    const double f400 = xToFrequency(400.0, kEditorWidth);
    const double f500 = xToFrequency(500.0, kEditorWidth);
    const double g300 = yToGain(300.0);
    const std::tuple<int, int, double, double> cases[] = {
        {500, 300, f500, g300},        {-50, 300, 20.0, g300},  {2000, 300, 20000.0, g300},
        {400, -100, f400, 24.0},       {400, 900, f400, -24.0}, {-32768, -32768, 20.0, 24.0},
        {32767, 32767, 20000.0, -24.0}};
    for (const auto& [x, y, frequency, gain] : cases) {
        markNotRebuilt();
        clearLog();
        move(x, y);
        EXPECT_EQ(inst->engine.edit.bands[2].frequency, frequency) << x << "," << y;
        EXPECT_EQ(inst->engine.edit.bands[2].gain, gain) << x << "," << y;
        EXPECT_TRUE(rebuilt());
        EXPECT_EQ(invalidations(), 1);
        expectFilterFollowsBand(*inst, 2);
    }
}

// Band 1's node lies on the LOW SHELF button (x 641.98..683.98, y 136.7..154.7) of band 0's
// panel. The node takes the press; once disabled it is passed over and only its chip selects it.
TEST_F(BandInput, NodeUnderThePanelWinsUnlessDisabledThenOnlyItsChipSelectsIt) {
    setBands({bell(2900.0, 2.8), bell(xToFrequency(660.0, kEditorWidth), yToGain(145.0))}, 0);
    press(660, 145);
    EXPECT_EQ(inst->editor.selectedBand, 1);
    EXPECT_EQ(inst->editor.dragBand, 1);
    EXPECT_EQ(inst->engine.edit.bands[0].type, BandType::Bell);
    release();
    inst->engine.edit.bands[1].enabled = false;
    inst->editor.selectedBand = 0;
    press(660, 145);
    EXPECT_EQ(inst->engine.edit.bands[0].type, BandType::LowShelf);
    EXPECT_EQ(inst->editor.selectedBand, 0);
    EXPECT_EQ(inst->editor.dragBand, -1);
    EXPECT_FALSE(headlessCaptured());
    markNotRebuilt();
    clearLog();
    press(chipX(1) + 11, 507);
    EXPECT_EQ(inst->editor.selectedBand, 1);
    EXPECT_EQ(invalidations(), 1);
    EXPECT_FALSE(rebuilt());
}

TEST_F(BandInput, RemovalSelectionDiffersBetweenDeleteAndDoubleClickAndOneBandStays) {
    const std::tuple<bool, int, int> cases[] = {
        {true, 2, 5}, {false, 2, 2}, {false, 6, 5}, {true, 0, 5}, {false, 0, 0}};
    for (const auto& [byDelete, removed, selectedAfter] : cases) {
        SetUp();
        std::vector<Band> expected = inst->engine.edit.bands;
        expected.erase(expected.begin() + removed);
        if (byDelete) {
            inst->editor.selectedBand = removed;
            key(EditorKey::Delete);
        } else {
            pressNode(static_cast<std::size_t>(removed), true);
        }
        ASSERT_EQ(inst->engine.edit.bands.size(), 6u);
        EXPECT_EQ(inst->editor.selectedBand, selectedAfter) << byDelete << " " << removed;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(inst->engine.edit.bands[i].frequency, expected[i].frequency); // order kept
        }
        EXPECT_EQ(inst->editor.dragBand, -1);
        EXPECT_TRUE(rebuilt());
    }
    // One band: Delete does nothing and a double click is an ordinary press that drags.
    setBands({bell(1000.0, 0.0)}, 0);
    clearLog();
    key(EditorKey::Delete);
    EXPECT_EQ(invalidations(), 0);
    pressNode(0, true);
    ASSERT_EQ(inst->engine.edit.bands.size(), 1u);
    EXPECT_EQ(inst->editor.selectedBand, 0);
    EXPECT_EQ(inst->editor.dragBand, 0);
    EXPECT_TRUE(headlessCaptured());
}

// Double click in empty graph: a palette bell under the cursor, dragged at once. "+" chip:
// a fixed 1 kHz bell, no drag. Both refuse at 24 bands; the chip is off screen from 17 on
// but reachable while the mouse is captured.
TEST_F(BandInput, AddsAppendTheirOwnBellAndStopAtTwentyFour) {
    const Band chipBell{true, 1000.0, 0.0, 1.0, BandType::Bell, 0xFFC084FCu, false};
    Band clickBell{true, xToFrequency(700.0, kEditorWidth), yToGain(400.0), 1.2, BandType::Bell, 0,
                   false};
    for (const int old : {1, 3, 7, 8, 15, 23, 24}) {
        for (const bool byChip : {false, true}) {
            SetUp();
            setSpreadBands(old);
            markNotRebuilt();
            if (byChip) {
                press(chipX(old) + 5, 505);
            } else {
                doubleClick(700, 400);
            }
            if (old == 24) {
                EXPECT_EQ(inst->engine.edit.bands.size(), 24u);
                EXPECT_EQ(invalidations(), 0);
                EXPECT_EQ(headlessCount("captureMouse"), 0);
                continue;
            }
            ASSERT_EQ(static_cast<int>(inst->engine.edit.bands.size()), old + 1) << byChip;
            clickBell.colour = kPalette[old % 8];
            EXPECT_EQ(fields(inst->engine.edit.bands.back()), fields(byChip ? chipBell : clickBell))
                << old;
            EXPECT_EQ(inst->editor.selectedBand, old);
            EXPECT_EQ(inst->editor.dragBand, byChip ? -1 : old);
            EXPECT_EQ(headlessCaptured(), !byChip);
            EXPECT_TRUE(rebuilt());
            expectFilterFollowsBand(*inst, static_cast<std::size_t>(old));
        }
    }
}

TEST_F(BandInput, ThreeQuickPressesAddThenRemove) {
    for (bool releases : {true, false}) {
        SetUp();
        for (std::uint32_t t : {1000u, 1200u, 1400u}) {
            press(700, 400, t);
            if (t == 1200u) {
                ASSERT_EQ(inst->engine.edit.bands.size(), 8u);
                EXPECT_EQ(inst->editor.dragBand, 7);
            }
            if (releases) {
                release();
            }
        }
        EXPECT_EQ(inst->engine.edit.bands.size(), 7u);
        EXPECT_EQ(inst->editor.selectedBand, 6);
        EXPECT_EQ(inst->editor.dragBand, -1);
        // Whether or not releases arrived, the capture is not left behind.
        EXPECT_FALSE(headlessCaptured());
    }
}

// The type row always lies in the graph area, so a double click there is an add first.
// The pair starts just above the row so only the second press can reach a button.
TEST_F(BandInput, TypeButtonSetsTypeUnlessADoubleClickAddsFirst) {
    const std::size_t sel = 10;
    for (const int count : {23, 24}) {
        SetUp();
        setSpreadBands(count, static_cast<int>(sel));
        const Band& b = inst->engine.edit.bands[sel];
        const PanelOrigin o =
            bandPanelOrigin(frequencyToX(b.frequency, kEditorWidth), gainToY(b.gain), kEditorWidth);
        const int x = static_cast<int>(o.px) + 155; // LOW SHELF: px + 134 .. px + 176
        const int above = static_cast<int>(std::floor(o.py + kTypeButtonTop)) - 1;
        ASSERT_EQ(hitBandNode(inst->engine.edit.bands, x, above + 5), -1);
        press(x, above, 5000);
        EXPECT_EQ(inst->engine.edit.bands[sel].type, BandType::Bell);
        markNotRebuilt();
        press(x, above + 5, 5100);
        EXPECT_TRUE(rebuilt());
        if (count < 24) {
            EXPECT_EQ(static_cast<int>(inst->engine.edit.bands.size()), count + 1);
            EXPECT_EQ(inst->editor.selectedBand, count);
            EXPECT_EQ(inst->engine.edit.bands[sel].type, BandType::Bell);
            continue;
        }
        EXPECT_EQ(inst->engine.edit.bands[sel].type, BandType::LowShelf);
        expectFilterFollowsBand(*inst, sel);
        // A press on the type the band already has still rebuilds; selection stays, no drag.
        markNotRebuilt();
        clearLog();
        press(x, above + 5);
        EXPECT_TRUE(rebuilt());
        EXPECT_EQ(invalidations(), 1);
        EXPECT_EQ(inst->editor.selectedBand, static_cast<int>(sel));
        EXPECT_EQ(inst->editor.dragBand, -1);
    }
}

TEST_F(BandInput, ChipsFromTwelveBandsOnCoverTheBypassEdge) {
    // Chip 11 spans x 776..798 and the bypass button starts at 790; with eleven bands the
    // add chip sits there. Columns: bands, bands after, selected after, bypass after.
    const std::tuple<int, std::size_t, int, float> cases[] = {
        {12, 12, 11, 0.0f}, {11, 12, 11, 0.0f}, {7, 7, 0, 1.0f}};
    for (const auto& [bands, bandsAfter, selectedAfter, bypassAfter] : cases) {
        SetUp();
        setSpreadBands(bands);
        press(795, 505);
        EXPECT_EQ(inst->engine.edit.bands.size(), bandsAfter) << bands;
        EXPECT_EQ(inst->editor.selectedBand, selectedAfter) << bands;
        EXPECT_EQ(param(inst->engine.edit, ParamBypass), bypassAfter) << bands;
    }
}

TEST_F(BandInput, DeletingTheDraggedBandEndsTheDrag) {
    // Delete pressed while the button still holds band 2: the drag must not pass on to
    // the band that moves into index 2.
    pressNode(2);
    key(EditorKey::Delete);
    ASSERT_EQ(inst->engine.edit.bands.size(), 6u);
    EXPECT_EQ(inst->editor.dragBand, -1);
    EXPECT_FALSE(headlessCaptured());
    const double heldFrequency = inst->engine.edit.bands[2].frequency;
    move(700, 100);
    EXPECT_EQ(inst->engine.edit.bands[2].frequency, heldFrequency);
}

TEST_F(BandInput, WheelScalesQWithinLimitsAndLikeDeleteNeedsASelectedBand) {
    const std::tuple<double, int, double> cases[] = {
        {17.0, 1, 18.0},    {18.0, 1, 18.0},   {15.7, 1, 18.0}, {1.0, 1, 1.15},
        {1.0, 4, 1.15},     {1.0, 0, 0.87},    {1.0, -1, 0.87}, {1.0, -3, 0.87},
        {0.25, -1, 0.2175}, {0.2175, -1, 0.2}, {0.2, -1, 0.2},  {0.2, 1, 0.2 * 1.15},
    };
    for (const auto& [q, steps, expected] : cases) {
        inst->engine.edit.bands[4].q = q;
        markNotRebuilt();
        wheel(steps);
        EXPECT_DOUBLE_EQ(inst->engine.edit.bands[4].q, expected) << q << " " << steps;
        EXPECT_TRUE(rebuilt());
        expectFilterFollowsBand(*inst, 4);
    }
    for (int selected : {-1, 7, 100}) { // no band, or past the end of the list
        inst->editor.selectedBand = selected;
        clearLog();
        wheel(1);
        key(EditorKey::Delete);
        EXPECT_EQ(inst->engine.edit.bands.size(), 7u);
        EXPECT_EQ(invalidations(), 0);
    }
}
