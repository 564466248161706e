// The window's layer: a paint through it shows what drawing every step in order shows, it
// is redrawn exactly when something it shows has changed, and static steps drawn after
// moving ones stay out of it while the moving ones can reach them.
#include "editor/editor_view.h"
#include "editor/paint_stages.h"
#include "paint_layer_support.h"

#include <functional>

using namespace painttest;

namespace {

constexpr std::uint32_t kTeal = 0xFF10B0A0;

void playMusic(PluginInstance& inst, float shift = 0.0f) {
    for (int k = 0; k < kSpectrumBins; ++k) {
        inst.engine.edit.spectrumDb[static_cast<std::size_t>(k)] =
            -10.0f - 3.0f * std::log2(1.0f + static_cast<float>(k)) + shift +
            6.0f * std::sin(0.37f * static_cast<float>(k));
    }
    inst.engine.peakL = 0.5f;
    inst.engine.peakR = 0.9f;
}

void redesign(PluginInstance& inst) {
    setBands(inst, std::vector<Band>(inst.engine.edit.bands.begin(), inst.engine.edit.bands.end()));
}

std::vector<Band> rainbow(int count) {
    std::vector<Band> bands;
    for (int i = 0; i < count; ++i) {
        bands.push_back(band(Bell, 30.0 * std::pow(1.3, i), (i % 5) - 2.0,
                             0xFF000000u | static_cast<std::uint32_t>(i * 0x0A1B2C)));
    }
    return bands;
}

// The first thing a paint through a layer draws is the layer's copy.
bool startsWithLayer(const std::vector<CanvasCall>& calls) {
    for (const CanvasCall& c : calls) {
        if (c.op == CanvasOp::DrawLayer || isDrawingOp(c.op)) {
            return c.op == CanvasOp::DrawLayer;
        }
    }
    return false;
}

struct State {
    const char* what;
    int width;
    std::function<void(PluginInstance&)> set;
};

const State kStates[] = {
    {"factory bands, band 5 selected", 920, [](PluginInstance&) {}},
    {"music, meters and animation", 920,
     [](PluginInstance& i) {
         playMusic(i);
         i.editor.animPhase = 0.8f;
     }},
    {"nothing selected", 920, [](PluginInstance& i) { i.editor.selectedBand = -1; }},
    {"selected node on the floor", 920,
     [](PluginInstance& i) {
         i.engine.edit.bands[4].gain = -24.0;
         redesign(i);
     }},
    {"wider window, second preset", 1200, [](PluginInstance& i) { i.editor.presetIndex = 1; }},
    {"bypassed, trim up", 920,
     [](PluginInstance& i) {
         setParam(i.engine.edit, ParamBypass, 1.0f);
         setParam(i.engine.edit, ParamOutputTrim, 1.0f);
     }},
    {"no bands", 920, [](PluginInstance& i) { setBands(i, {}); }},
    {"24 bands, chips under the bypass button", 920,
     [](PluginInstance& i) {
         setBands(i, rainbow(24));
         i.editor.selectedBand = 23;
     }},
    {"a band gain that is not a number", 920,
     [](PluginInstance& i) { i.engine.edit.bands[2].gain = std::nan(""); }},
};

} // namespace

TEST(PaintLayer, ShowsWhatDrawingEveryStepInOrderShows) {
    for (const State& s : kStates) {
        auto inst = makeInstance();
        s.set(*inst);
        LayeredWindow window;
        const std::vector<CanvasCall> layered = window.paint(*inst, s.width);
        EXPECT_EQ(pictureDifference(paintDirect(*inst, s.width), layered), "") << s.what;
        EXPECT_TRUE(startsWithLayer(layered)) << s.what;
        EXPECT_EQ(window.builds(), 1) << s.what;
        // A second paint of the same state copies the kept layer.
        EXPECT_EQ(pictureDifference(paintDirect(*inst, s.width), window.paint(*inst, s.width)), "")
            << s.what;
        EXPECT_EQ(window.builds(), 1) << s.what;
    }
}

TEST(PaintLayer, RedrawnExactlyWhenSomethingItShowsChanges) {
    struct Edit {
        const char* what;
        std::function<void(PluginInstance&)> apply;
        bool redraws;
        int width = 920;
    };
    const Edit edits[] = {
        {"new music in the spectrum", [](PluginInstance& i) { playMusic(i, 9.0f); }, false},
        {"meters move", [](PluginInstance& i) { i.engine.peakL = 0.05f; }, false},
        {"animation advances", [](PluginInstance& i) { i.editor.animPhase += 0.5f; }, false},
        {"a knob moves", [](PluginInstance& i) { setParam(i.engine.edit, ParamCoupling, 0.2f); },
         false},
        {"modulation reshapes a filter",
         [](PluginInstance& i) {
             i.engine.edit.filters[2].coeffs = designBiquad(Bell, 400, 9, 2, 48000);
         },
         false},
        {"an unselected band is dragged",
         [](PluginInstance& i) {
             i.engine.edit.bands[1].gain += 3.0;
             redesign(i);
         },
         false},
        {"the selected band is dragged",
         [](PluginInstance& i) {
             i.engine.edit.bands[4].gain += 3.0;
             redesign(i);
         },
         true},
        {"another band is selected", [](PluginInstance& i) { i.editor.selectedBand = 2; }, true},
        {"the preset changes", [](PluginInstance& i) { i.editor.presetIndex = 2; }, true},
        {"bypass is switched on",
         [](PluginInstance& i) { setParam(i.engine.edit, ParamBypass, 1.0f); }, true},
        {"a band changes colour", [](PluginInstance& i) { i.engine.edit.bands[0].colour = kTeal; },
         true},
        {"a band is added",
         [](PluginInstance& i) {
             i.engine.edit.bands.push_back(band(Bell, 5000, 2, kTeal));
             redesign(i);
         },
         true},
        {"an unselected band is dragged to the floor",
         [](PluginInstance& i) {
             i.engine.edit.bands[1].gain = -24.0;
             redesign(i);
         },
         true},
        {"the window grows", [](PluginInstance&) {}, true, 1000},
    };
    for (const Edit& e : edits) {
        auto inst = makeInstance();
        playMusic(*inst);
        LayeredWindow window;
        window.paint(*inst);
        e.apply(*inst);
        const std::vector<CanvasCall> layered = window.paint(*inst, e.width);
        EXPECT_EQ(window.builds(), e.redraws ? 2 : 1) << e.what;
        EXPECT_EQ(pictureDifference(paintDirect(*inst, e.width), layered), "") << e.what;
    }
}

TEST(PaintLayer, SelectionMovingToATwinBandRedrawsTheChips) {
    auto inst = makeInstance();
    inst->engine.edit.bands[5] =
        inst->engine.edit.bands[4]; // same place, same colour: the same glow for either
    redesign(*inst);
    LayeredWindow window;
    window.paint(*inst);
    inst->editor.selectedBand = 5;
    EXPECT_EQ(pictureDifference(paintDirect(*inst), window.paint(*inst)), "");
    EXPECT_EQ(window.builds(), 2);
}

TEST(PaintLayer, RulerLeavesForALowNodeAndTheLayerWithoutItIsKept) {
    auto inst = makeInstance();
    LayeredWindow window;
    window.paint(*inst);
    EXPECT_TRUE(window.layerShows(L"C1"));
    EXPECT_TRUE(window.layerShows(L"VAVU COUPLING"));

    const double gain = inst->engine.edit.bands[1].gain;
    inst->engine.edit.bands[1].gain = -24.0; // its node now covers the ruler's line
    redesign(*inst);
    EXPECT_EQ(pictureDifference(paintDirect(*inst), window.paint(*inst)), "");
    EXPECT_EQ(window.builds(), 2);
    EXPECT_FALSE(window.layerShows(L"C1"));
    EXPECT_TRUE(window.layerShows(L"VAVU COUPLING")); // the strip is still out of reach

    inst->engine.edit.bands[1].gain = gain;
    redesign(*inst);
    EXPECT_EQ(pictureDifference(paintDirect(*inst), window.paint(*inst)), "");
    EXPECT_EQ(window.builds(), 2);

    inst->editor.presetIndex = 1; // a redraw anyway: the ruler goes back in
    EXPECT_EQ(pictureDifference(paintDirect(*inst), window.paint(*inst)), "");
    EXPECT_EQ(window.builds(), 3);
    EXPECT_TRUE(window.layerShows(L"C1"));
}

TEST(PaintLayer, RulerStaysOutOnlyWhereTheSumCurveCanReachIt) {
    const double column = xToFrequency(515.0, 920); // a sampled column of the sum curve
    struct Case {
        const char* what;
        Band only;
        bool rulerInLayer;
    };
    const Case cases[] = {
        // Its sampled dip drops to the floor between two columns far above: the thick glow
        // stroke's mitre points down past the ruler's line.
        {"a narrow notch on a sampled column", band(Notch, column, 0.0, kTeal, true, 30.0), false},
        // Slopes gently into the floor: the stroke ends a few pixels under it.
        {"a low cut sloping into the floor", band(LowCut, 300.0, 0.0, kTeal, true, 0.707), true},
    };
    for (const Case& c : cases) {
        auto inst = makeInstance();
        setBands(*inst, {c.only});
        inst->editor.selectedBand = -1;
        LayeredWindow window;
        EXPECT_EQ(pictureDifference(paintDirect(*inst), window.paint(*inst)), "") << c.what;
        EXPECT_EQ(window.layerShows(L"C1"), c.rulerInLayer) << c.what;
    }
}

TEST(PaintLayer, CurvesReachAsFarAsTheirThickestStroke) {
    // Sum outlines between the two base corners at the 0 dB line; the glow pen is 5.5 wide.
    struct Case {
        const char* what;
        std::vector<CanvasPoint> outline;
    };
    const Case cases[] = {
        {"flat", {{45, 300}, {47, 300}, {49, 300}}},
        {"a right-angled corner", {{45, 300}, {47, 400}, {49, 400}}},
        {"a V, 10 down on each side", {{45, 415}, {47, 425}, {49, 415}}},
        {"a spike clipped at the mitre limit", {{45, 200}, {47, 425}, {49, 200}}},
        {"above the base line", {{45, 100}, {47, 120}, {49, 100}}},
    };
    for (const Case& c : cases) {
        GraphCurves curves;
        curves.spectrum.points = {{45, 60}, {47, 60}, {49, 60}, {51, 60}};
        curves.sum.points = c.outline;
        curves.sum.points.insert(curves.sum.points.begin(), {kGraphLeft, kZeroDbY});
        curves.sum.points.push_back({graphRight(920), kZeroDbY});
        CanvasCall stroke;
        stroke.op = CanvasOp::DrawLines;
        stroke.points = c.outline;
        stroke.pen.width = 5.5f;
        const float expected = std::max(reach(stroke).bottom - 1.0f, kZeroDbY);
        EXPECT_NEAR(curvesReach(curves), expected, 1e-3) << c.what;
    }
    GraphCurves broken;
    broken.sum.points = {{45, 238.5f}, {47, NAN}, {49, 238.5f}};
    EXPECT_EQ(curvesReach(broken), INFINITY);
}

TEST(PaintLayer, AnUnfinishedRedrawIsDroppedAndNothingLeaks) {
    const int before = liveCanvasResources();
    {
        LayeredWindow window;
        const char key[] = "key";
        Canvas* first = beginLayer(window.layer, 920, 580);
        CanvasBrush* brush = createSolidBrush(kTeal);
        fillRectangle(first, brush, 0.0f, 0.0f, 10.0f, 10.0f);
        deleteBrush(brush);
        Canvas* second = beginLayer(window.layer, 920, 580); // the first never ended
        EXPECT_FALSE(layerHolds(window.layer, key, sizeof key, 920, 580));
        endLayer(window.layer, second, key, sizeof key);
        EXPECT_TRUE(layerHolds(window.layer, key, sizeof key, 920, 580));
        EXPECT_FALSE(layerHolds(window.layer, key, sizeof key, 921, 580));
        EXPECT_FALSE(layerHolds(window.layer, "kez", sizeof key, 920, 580));
        EXPECT_TRUE(layerCalls(window.layer).empty()); // nothing of the dropped redraw
        EXPECT_EQ(window.builds(), 1);
        beginLayer(window.layer, 920, 580); // left open when the window goes
    }
    EXPECT_EQ(liveCanvasResources(), before);
    EXPECT_EQ(canvasLayer(nullptr), nullptr);
    EXPECT_FALSE(layerHolds(nullptr, nullptr, 0, 920, 580));
    EXPECT_EQ(beginLayer(nullptr, 920, 580), nullptr);
}
