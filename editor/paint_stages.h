// The steps of paintEditor, back to front, and how they split between the window's layer
// and the rest of the paint. Each step reads the paint's snapshot and traced curves
// through the context and uses its shared resources.
#pragma once

#include "editor/paint_helpers.h"

#include <cstdint>
#include <vector>

// Background, header band, logo, product texts, preset box and badges.
void paintHeader(PaintContext& p);

// Response graph, in drawing order.
void paintSelectedGlow(PaintContext& p);
void paintGrid(PaintContext& p);
void paintSpectrum(PaintContext& p);
void paintBandCurves(PaintContext& p);
void paintSumCurve(PaintContext& p);
void paintBandNodes(PaintContext& p);
void paintBandPanel(PaintContext& p);
void paintNoteRuler(PaintContext& p);

// Control strip, in drawing order: each knob's face, value and label, the band chips, each
// meter's frame and segments (0 = left, 1 = right), the bypass button.
void paintStripBackground(PaintContext& p);
void paintKnobFace(PaintContext& p, int knob);
void paintKnobValue(PaintContext& p, int knob);
void paintKnobLabel(PaintContext& p, int knob);
void paintBandChips(PaintContext& p);
void paintMeterFrame(PaintContext& p, int meter);
void paintMeterSegments(PaintContext& p, int meter);
void paintBypassButton(PaintContext& p);

// ---- Curves, traced before anything is drawn

// One curve in graph pixels: the sampled points framed by the two base corners of its
// fill area (first and last); the outline is what lies between them.
struct TracedCurve {
    std::vector<CanvasPoint> points;
    std::uint32_t colour = 0; // band curves: the band's colour
};

struct GraphCurves {
    TracedCurve spectrum;
    std::vector<TracedCurve> bands; // the bands that show a curve, in band order
    TracedCurve sum;
};

GraphCurves traceGraphCurves(const EditorView& view, int width);

// How far down (largest y) the curves' fills and strokes, and the band nodes and the
// panel, can paint; +infinity when some position is not a finite number.
float curvesReach(const GraphCurves& curves);
float nodesReach(const PaintContext& p);

// ---- Layer

// Where a step is drawn. Base steps come before anything that moves and are always in
// the layer. OverGraph and Strip steps are drawn after some moving ones: they go in the
// layer only while nothing drawn before them in the paint order can reach their area, so
// that drawing them first changes no pixel. Frame steps are drawn on every paint.
enum class StageLayer : std::uint8_t { Base, OverGraph, Strip, Frame };

struct LayerPlan {
    bool overGraph = false; // the note ruler
    bool strip = false;     // the static parts of the control strip
};

bool inLayer(StageLayer layer, LayerPlan plan);

// The plan for this paint: as much in the layer as the moving parts allow, except that a
// kept layer with less in it is used as it is rather than redrawn.
LayerPlan chooseLayerPlan(const PaintContext& p, const CanvasLayer* layer);

// Everything the layer's picture depends on under `plan`, as words compared exactly.
std::vector<std::uint32_t> layerKey(const PaintContext& p, LayerPlan plan);
