// Band editing through the editor's mouse and keyboard messages.
#include "dsp/plugin_instance.h"
#include "editor/input_hit.h"
#include "editor/layout.h"
#include "input_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using inputtest::bell;
using inputtest::EditorInputTest;
using inputtest::nodeX;
using inputtest::nodeY;

namespace {

using BandInput = EditorInputTest;

constexpr std::uint32_t kPalette[8] = {0xFFF87171u, 0xFFFB923Cu, 0xFFFACC15u, 0xFFC084FCu,
                                       0xFF38BDF8u, 0xFF34D399u, 0xFFEC4899u, 0xFFA855F7u};

// The filter the audio path would use for band i right now.
void expectFilterFollowsBand(const PluginInstance& inst, std::size_t i) {
    const Band& b = inst.bands[i];
    const BiquadCoefficients want = designBiquad(
        b.type, b.frequency, effectiveGain(inst, b.frequency, b.gain), b.q, inst.sampleRate);
    const BiquadCoefficients& got = inst.filters[i].coeffs;
    EXPECT_EQ(got.b0, want.b0);
    EXPECT_EQ(got.b1, want.b1);
    EXPECT_EQ(got.b2, want.b2);
    EXPECT_EQ(got.a1, want.a1);
    EXPECT_EQ(got.a2, want.a2);
}

} // namespace

TEST_F(BandInput, PressOnNodeSelectsAndStartsDragWithoutRebuild) {
    markNotRebuilt();
    const Band b2 = inst->bands[2];
    press(nodeX(b2), nodeY(b2));
    EXPECT_EQ(inst->selectedBand, 2);
    EXPECT_EQ(inst->dragBand, 2);
    EXPECT_TRUE(headlessCaptured());
    EXPECT_EQ(invalidations(), 1);
    EXPECT_FALSE(rebuilt());
    EXPECT_EQ(inst->bands[2].frequency, b2.frequency);
}

TEST_F(BandInput, NodeUnderThePanelTakesThePressBeforeThePanel) {
    // Band 0 selected: its panel's LOW SHELF button spans x 641.98..683.98, y 136.7..154.7.
    const Band under = bell(xToFrequency(660.0, kEditorWidth), yToGain(145.0));
    setBands({bell(2900.0, 2.8), under}, 0);
    press(660, 145);
    EXPECT_EQ(inst->selectedBand, 1);
    EXPECT_EQ(inst->dragBand, 1);
    EXPECT_EQ(inst->bands[0].type, BandType::Bell);
    release();
    // Once that node is gone from the hit test, the same press reaches the button.
    inst->bands[1].enabled = false;
    inst->selectedBand = 0;
    press(660, 145);
    EXPECT_EQ(inst->bands[0].type, BandType::LowShelf);
    EXPECT_EQ(inst->dragBand, -1);
}

TEST_F(BandInput, DisabledNodeIsNotHitButItsChipSelectsIt) {
    inst->bands[2].enabled = false;
    press(nodeX(inst->bands[2]), nodeY(inst->bands[2]));
    EXPECT_EQ(inst->selectedBand, 4);
    EXPECT_EQ(inst->dragBand, -1);
    EXPECT_FALSE(headlessCaptured());
    markNotRebuilt();
    clearLog();
    press(chipX(2) + 11, 507);
    EXPECT_EQ(inst->selectedBand, 2);
    EXPECT_EQ(inst->dragBand, -1);
    EXPECT_EQ(invalidations(), 1);
    EXPECT_FALSE(rebuilt());
}

TEST_F(BandInput, RemovalSelectionDiffersBetweenDeleteAndDoubleClick) {
    struct Case {
        bool byDelete;
        int removed;
        int selectedAfter;
    };
    for (const Case c : {Case{true, 2, 5}, Case{false, 2, 2}, Case{false, 6, 5}, Case{true, 0, 5},
                         Case{false, 0, 0}}) {
        SetUp();
        std::vector<Band> expected = inst->bands;
        expected.erase(expected.begin() + c.removed);
        if (c.byDelete) {
            inst->selectedBand = c.removed;
            key(kVkDelete);
        } else {
            const Band& b = inst->bands[static_cast<std::size_t>(c.removed)];
            doubleClick(nodeX(b), nodeY(b));
        }
        ASSERT_EQ(inst->bands.size(), 6u);
        EXPECT_EQ(inst->filters.size(), 6u);
        EXPECT_EQ(inst->selectedBand, c.selectedAfter) << c.byDelete << " " << c.removed;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(inst->bands[i].frequency, expected[i].frequency); // order kept
        }
        EXPECT_EQ(inst->dragBand, -1);
        EXPECT_TRUE(rebuilt());
        TearDown();
    }
}

TEST_F(BandInput, SingleBandIsNeverRemoved) {
    setBands({bell(1000.0, 0.0)}, 0);
    clearLog();
    key(kVkDelete);
    EXPECT_EQ(invalidations(), 0);
    doubleClick(nodeX(inst->bands[0]), nodeY(inst->bands[0]));
    ASSERT_EQ(inst->bands.size(), 1u);
    EXPECT_EQ(inst->selectedBand, 0);
    EXPECT_EQ(inst->dragBand, 0); // the second press is an ordinary node press
    EXPECT_TRUE(headlessCaptured());
}

TEST_F(BandInput, DoubleClickAddsPaletteBellUnderCursorAndDragsIt) {
    for (int oldCount : {1, 3, 7, 8, 15, 23}) {
        SetUp();
        setSpreadBands(oldCount);
        markNotRebuilt();
        doubleClick(700, 400);
        ASSERT_EQ(static_cast<int>(inst->bands.size()), oldCount + 1);
        const Band& added = inst->bands.back();
        EXPECT_TRUE(added.enabled);
        EXPECT_EQ(added.frequency, xToFrequency(700.0, kEditorWidth));
        EXPECT_EQ(added.gain, yToGain(400.0));
        EXPECT_EQ(added.q, 1.2);
        EXPECT_EQ(added.type, BandType::Bell);
        EXPECT_EQ(added.colour, kPalette[oldCount % 8]) << oldCount;
        EXPECT_FALSE(added.dynamic);
        EXPECT_EQ(inst->selectedBand, oldCount);
        EXPECT_EQ(inst->dragBand, oldCount);
        EXPECT_TRUE(headlessCaptured());
        EXPECT_TRUE(rebuilt());
        EXPECT_EQ(inst->filters.size(), inst->bands.size());
        move(600, 100); // drags on without a new press
        EXPECT_EQ(inst->bands.back().gain, yToGain(100.0));
        TearDown();
    }
}

TEST_F(BandInput, TwentyFourBandsRefuseEveryAdd) {
    setSpreadBands(24);
    clearLog();
    doubleClick(700, 400);
    press(chipX(24) + 5, 505); // the add chip, off screen but reachable while captured
    EXPECT_EQ(inst->bands.size(), 24u);
    EXPECT_EQ(inst->dragBand, -1);
    EXPECT_EQ(invalidations(), 0);
    EXPECT_EQ(headlessCount("captureMouse"), 0);
}

TEST_F(BandInput, ThreeQuickPressesAddThenRemove) {
    for (bool releases : {true, false}) {
        SetUp();
        for (std::uint32_t t : {1000u, 1200u, 1400u}) {
            press(700, 400, t);
            if (t == 1200u) {
                ASSERT_EQ(inst->bands.size(), 8u);
                EXPECT_EQ(inst->dragBand, 7);
            }
            if (releases) {
                release();
            }
        }
        EXPECT_EQ(inst->bands.size(), 7u);
        EXPECT_EQ(inst->selectedBand, 6);
        EXPECT_EQ(inst->dragBand, -1);
        // Whether or not releases arrived, the capture is not left behind.
        EXPECT_FALSE(headlessCaptured());
        TearDown();
    }
}

// The type row always lies in the graph area, so a double click there is an add first.
// The pair starts just above the row so only the second press can reach a button.
TEST_F(BandInput, DoubleClickOnTypeButtonAddsUnlessTheListIsFull) {
    struct Case {
        int bands;
        int selected;
    };
    for (const Case c : {Case{7, 4}, Case{23, 10}, Case{24, 10}}) {
        SetUp();
        setSpreadBands(c.bands, c.selected);
        const Band& sel = inst->bands[static_cast<std::size_t>(c.selected)];
        const PanelOrigin o = bandPanelOrigin(frequencyToX(sel.frequency, kEditorWidth),
                                              gainToY(sel.gain), kEditorWidth);
        const int x = static_cast<int>(o.px) + 155; // LOW SHELF: px + 134 .. px + 176
        const int above = static_cast<int>(std::floor(o.py + kTypeButtonTop)) - 1;
        ASSERT_EQ(hitBandNode(inst->bands, x, above + 5), -1);
        press(x, above, 5000);
        EXPECT_EQ(inst->bands[static_cast<std::size_t>(c.selected)].type, BandType::Bell);
        markNotRebuilt();
        press(x, above + 5, 5100);
        EXPECT_TRUE(rebuilt());
        if (c.bands < 24) {
            EXPECT_EQ(static_cast<int>(inst->bands.size()), c.bands + 1);
            EXPECT_EQ(inst->selectedBand, c.bands);
            EXPECT_EQ(inst->bands[static_cast<std::size_t>(c.selected)].type, BandType::Bell);
        } else {
            EXPECT_EQ(inst->bands.size(), 24u);
            EXPECT_EQ(inst->selectedBand, c.selected);
            EXPECT_EQ(inst->bands[static_cast<std::size_t>(c.selected)].type, BandType::LowShelf);
            expectFilterFollowsBand(*inst, static_cast<std::size_t>(c.selected));
        }
        TearDown();
    }
}

TEST_F(BandInput, TypeButtonRebuildsEvenWhenUnchanged) {
    press(750, 145); // band 4's NOTCH button
    EXPECT_EQ(inst->bands[4].type, BandType::Notch);
    expectFilterFollowsBand(*inst, 4);
    markNotRebuilt();
    clearLog();
    press(750, 145);
    EXPECT_TRUE(rebuilt());
    EXPECT_EQ(invalidations(), 1);
    EXPECT_EQ(inst->selectedBand, 4);
    EXPECT_EQ(inst->dragBand, -1);
}

TEST_F(BandInput, ChipsFromTwelveBandsOnCoverTheBypassEdge) {
    struct Case {
        int bands;
        std::size_t bandsAfter;
        int selectedAfter;
        float bypassAfter;
    };
    // Chip 11 spans x 776..798; the bypass button starts at 790.
    for (const Case c : {Case{12, 12, 11, 0.0f}, Case{11, 12, 11, 0.0f}, Case{7, 7, 0, 1.0f}}) {
        SetUp();
        setSpreadBands(c.bands);
        press(795, 505);
        EXPECT_EQ(inst->bands.size(), c.bandsAfter) << c.bands;
        EXPECT_EQ(inst->selectedBand, c.selectedAfter) << c.bands;
        EXPECT_EQ(param(*inst, ParamBypass), c.bypassAfter) << c.bands;
        TearDown();
    }
}

TEST_F(BandInput, AddChipAppendsFixedBellWithoutDrag) {
    markNotRebuilt();
    press(chipX(7) + 5, 505);
    ASSERT_EQ(inst->bands.size(), 8u);
    const Band& added = inst->bands[7];
    EXPECT_TRUE(added.enabled);
    EXPECT_EQ(added.frequency, 1000.0);
    EXPECT_EQ(added.gain, 0.0);
    EXPECT_EQ(added.q, 1.0);
    EXPECT_EQ(added.type, BandType::Bell);
    EXPECT_EQ(added.colour, 0xFFC084FCu);
    EXPECT_FALSE(added.dynamic);
    EXPECT_EQ(inst->selectedBand, 7);
    EXPECT_EQ(inst->dragBand, -1);
    EXPECT_FALSE(headlessCaptured());
    EXPECT_TRUE(rebuilt());
    expectFilterFollowsBand(*inst, 7);
}

TEST_F(BandInput, DragFollowsCursorAndPinsAtEveryEdge) {
    struct Case {
        int x;
        int y;
        double frequency;
        double gain;
    };
    const Case cases[] = {
        {500, 300, xToFrequency(500.0, kEditorWidth), yToGain(300.0)},
        {-50, 300, 20.0, yToGain(300.0)},
        {2000, 300, 20000.0, yToGain(300.0)},
        {400, -100, xToFrequency(400.0, kEditorWidth), 24.0},
        {400, 900, xToFrequency(400.0, kEditorWidth), -24.0},
        {-32768, -32768, 20.0, 24.0},
        {32767, 32767, 20000.0, -24.0},
    };
    press(nodeX(inst->bands[4]), nodeY(inst->bands[4]));
    for (const Case& c : cases) {
        markNotRebuilt();
        clearLog();
        move(c.x, c.y);
        EXPECT_EQ(inst->bands[4].frequency, c.frequency) << c.x << "," << c.y;
        EXPECT_EQ(inst->bands[4].gain, c.gain) << c.x << "," << c.y;
        EXPECT_TRUE(rebuilt());
        EXPECT_EQ(invalidations(), 1);
        expectFilterFollowsBand(*inst, 4);
    }
    EXPECT_EQ(inst->dragBand, 4);
    clearLog();
    release();
    EXPECT_EQ(inst->dragBand, -1);
    EXPECT_EQ(headlessCount("releaseMouse"), 1);
    EXPECT_EQ(invalidations(), 0);
    const Band after = inst->bands[4];
    move(100, 100);
    EXPECT_EQ(inst->bands[4].frequency, after.frequency);
}

TEST_F(BandInput, StaleDragIndexFallsThroughToNothing) {
    inst->dragBand = 7; // names no band of seven
    markNotRebuilt();
    move(300, 300);
    EXPECT_FALSE(rebuilt());
    EXPECT_EQ(invalidations(), 0);
}

TEST_F(BandInput, DeletingTheDraggedBandEndsTheDrag) {
    // Delete pressed while the button still holds band 2: the drag must not pass on to
    // the band that moves into index 2.
    const Band b2 = inst->bands[2];
    press(nodeX(b2), nodeY(b2));
    key(kVkDelete);
    ASSERT_EQ(inst->bands.size(), 6u);
    EXPECT_EQ(inst->dragBand, -1);
    EXPECT_FALSE(headlessCaptured());
    const double heldFrequency = inst->bands[2].frequency;
    move(700, 100);
    EXPECT_EQ(inst->bands[2].frequency, heldFrequency);
}

TEST_F(BandInput, WheelScalesQWithinLimits) {
    struct Case {
        double q;
        int delta;
        double expected;
    };
    const Case cases[] = {
        {17.0, 120, 18.0},    {18.0, 120, 18.0},   {15.7, 120, 18.0}, {1.0, 120, 1.15},
        {1.0, 1, 1.15},       {1.0, 480, 1.15},    {1.0, 0, 0.87},    {1.0, -120, 0.87},
        {0.25, -120, 0.2175}, {0.2175, -120, 0.2}, {0.2, -120, 0.2},  {0.2, 120, 0.2 * 1.15},
    };
    for (const Case& c : cases) {
        inst->bands[4].q = c.q;
        markNotRebuilt();
        wheel(c.delta);
        EXPECT_DOUBLE_EQ(inst->bands[4].q, c.expected) << c.q << " " << c.delta;
        EXPECT_TRUE(rebuilt());
        expectFilterFollowsBand(*inst, 4);
    }
}

TEST_F(BandInput, WheelAndDeleteNeedASelectedBand) {
    for (int selected : {-1, 7, 100}) {
        inst->selectedBand = selected;
        clearLog();
        wheel(120);
        key(kVkDelete);
        EXPECT_EQ(inst->bands.size(), 7u);
        EXPECT_EQ(invalidations(), 0);
    }
}

TEST_F(BandInput, OtherKeysChangeNothing) {
    for (std::uintptr_t vk : {0x08u, 0x41u, 0x2Du, 0x2Fu, 0x12Eu}) {
        clearLog();
        key(vk);
        EXPECT_EQ(inst->bands.size(), 7u);
        EXPECT_EQ(invalidations(), 0);
    }
}
