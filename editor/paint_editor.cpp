// The whole editor picture, back to front. The instance is only read, through a snapshot
// taken under its lock; the drawing itself runs with the lock released.
//
// Most of the picture changes only with size, preset, selection and a few edits. Where the
// platform keeps a layer for the window, those steps are drawn into it once, and every
// paint copies it and draws only the moving steps on top. Drawing a static step early
// changes no pixel, because nothing moving is ever drawn under it (see chooseLayerPlan).
// Without a layer, every step is drawn in order.
#include "editor/editor_view.h"
#include "editor/editor_window.h"
#include "editor/paint_stages.h"

namespace {

struct PaintStage {
    void (*draw)(PaintContext&);
    StageLayer layer;
};

template <int K> void knobFace(PaintContext& p) {
    paintKnobFace(p, K);
}
template <int K> void knobValue(PaintContext& p) {
    paintKnobValue(p, K);
}
template <int K> void knobLabel(PaintContext& p) {
    paintKnobLabel(p, K);
}
template <int M> void meterFrame(PaintContext& p) {
    paintMeterFrame(p, M);
}
template <int M> void meterSegments(PaintContext& p) {
    paintMeterSegments(p, M);
}

constexpr StageLayer kBase = StageLayer::Base;
constexpr StageLayer kOverGraph = StageLayer::OverGraph;
constexpr StageLayer kStrip = StageLayer::Strip;
constexpr StageLayer kFrame = StageLayer::Frame;

// Paint order, back to front; a knob's or a meter's steps share a row.
// clang-format off
constexpr PaintStage kStages[] = {
    {paintHeader, kBase},
    {paintSelectedGlow, kBase},
    {paintGrid, kBase},
    {paintSpectrum, kFrame},
    {paintBandCurves, kFrame},
    {paintSumCurve, kFrame},
    {paintBandNodes, kFrame},
    {paintBandPanel, kFrame},
    {paintNoteRuler, kOverGraph},
    {paintStripBackground, kStrip},
    {knobFace<0>, kStrip}, {knobValue<0>, kFrame}, {knobLabel<0>, kStrip},
    {knobFace<1>, kStrip}, {knobValue<1>, kFrame}, {knobLabel<1>, kStrip},
    {knobFace<2>, kStrip}, {knobValue<2>, kFrame}, {knobLabel<2>, kStrip},
    {knobFace<3>, kStrip}, {knobValue<3>, kFrame}, {knobLabel<3>, kStrip},
    {paintBandChips, kStrip},
    {meterFrame<0>, kStrip}, {meterSegments<0>, kFrame},
    {meterFrame<1>, kStrip}, {meterSegments<1>, kFrame},
    {paintBypassButton, kStrip},
};
// clang-format on

// Draws the steps `wanted` picks, in paint order.
template <class Wanted> void drawStages(PaintContext& p, Wanted&& wanted) {
    for (const PaintStage& stage : kStages) {
        if (wanted(stage.layer)) {
            stage.draw(p);
        }
    }
}

// Brings the window's layer up to date if it is stale, copies it and draws the moving
// steps over it. False when there is no layer to draw from.
bool paintOverLayer(PaintContext& p) {
    CanvasLayer* layer = canvasLayer(p.canvas);
    if (layer == nullptr) {
        return false;
    }
    const LayerPlan plan = chooseLayerPlan(p, layer);
    const std::vector<std::uint32_t> key = layerKey(p, plan);
    const std::size_t keyBytes = key.size() * sizeof(std::uint32_t);
    if (!layerHolds(layer, key.data(), keyBytes, p.width, p.height)) {
        Canvas* layerCanvas = beginLayer(layer, p.width, p.height);
        if (layerCanvas == nullptr) {
            return false;
        }
        PaintContext onLayer = p; // shares the resources, released once by the paint
        onLayer.canvas = layerCanvas;
        drawStages(onLayer, [&](StageLayer s) { return inLayer(s, plan); });
        endLayer(layer, layerCanvas, key.data(), keyBytes);
    }
    drawLayer(p.canvas, layer);
    drawStages(p, [&](StageLayer s) { return !inLayer(s, plan); });
    return true;
}

} // namespace

void paintEditor(Canvas* canvas, std::int32_t width, std::int32_t height, EditorState& ed) {
    EditorView view;
    captureEditorView(ed, view);
    const GraphCurves curves = traceGraphCurves(view, width);

    PaintContext p{canvas, width, height, &view, &curves, PaintResources{}};
    createPaintResources(p.res);
    if (!paintOverLayer(p)) {
        drawStages(p, [](StageLayer) { return true; });
    }
    releasePaintResources(p.res);
}
