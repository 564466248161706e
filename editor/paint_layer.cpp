// Which parts of the picture go in the window's layer, and the key that says when the
// layer's picture is stale. The key holds everything the layer's steps read from the
// snapshot, so a kept picture is exactly what drawing those steps again would give.
#include "editor/editor_view.h"
#include "editor/layout.h"
#include "editor/paint_stages.h"

#include <algorithm>
#include <bit>

namespace {

// First rows the static steps drawn after moving ones can touch: the ruler's line at
// y = 435 and the strip's divider at y = 460, both one pixel wide.
constexpr float kRulerTop = 434.5f;
constexpr float kStripTop = 459.5f;
// Anti-aliasing may tint the pixel row next to a shape's edge on either side.
constexpr float kEdgeGap = 2.0f;

std::uint32_t word(std::int64_t value) {
    return static_cast<std::uint32_t>(value);
}

std::uint32_t bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

bool samePlan(LayerPlan a, LayerPlan b) {
    return a.overGraph == b.overGraph && a.strip == b.strip;
}

bool layerHoldsPlan(const PaintContext& p, const CanvasLayer* layer, LayerPlan plan) {
    const std::vector<std::uint32_t> key = layerKey(p, plan);
    return layerHolds(layer, key.data(), key.size() * sizeof(std::uint32_t), p.width, p.height);
}

} // namespace

bool inLayer(StageLayer layer, LayerPlan plan) {
    switch (layer) {
    case StageLayer::Base:
        return true;
    case StageLayer::OverGraph:
        return plan.overGraph;
    case StageLayer::Strip:
        return plan.strip;
    default:
        return false;
    }
}

// The graph's moving parts are the only moving steps drawn before the ruler and the strip
// that can reach them; the strip's own moving parts (knob values, lit segments) lie
// beside its static parts, never over them, and the ruler ends above the strip.
LayerPlan chooseLayerPlan(const PaintContext& p, const CanvasLayer* layer) {
    const float reach = std::max(curvesReach(*p.curves), nodesReach(p)) + kEdgeGap;
    const LayerPlan most{reach < kRulerTop, reach < kStripTop};
    // A band dragged low or a modulated notch may keep the ruler out of the layer for a
    // frame; the layer drawn without it stays right afterwards, and is kept rather than
    // redrawn every time the curves cross that line.
    const LayerPlan fewer[] = {{false, most.strip}, {most.overGraph, false}, {false, false}};
    for (const LayerPlan& plan : fewer) {
        if (!samePlan(plan, most) && layerHoldsPlan(p, layer, plan)) {
            return plan;
        }
    }
    return most;
}

std::vector<std::uint32_t> layerKey(const PaintContext& p, LayerPlan plan) {
    const EditorView& v = *p.view;
    // Size (every step), preset (the title), the plan, the bypass state (the button), the
    // selection (glow and chips) and each band's colour (chips).
    std::vector<std::uint32_t> key{
        word(p.width),
        word(p.height),
        word(v.presetIndex),
        word((plan.overGraph ? 1 : 0) | (plan.strip ? 2 : 0)),
        word(v.params[ParamBypass] >= 0.5f ? 1 : 0),
        word(v.selectedBand),
        word(static_cast<std::int64_t>(v.bands.size())),
    };
    for (const Band& band : v.bands) {
        key.push_back(band.colour);
    }
    // The glow sits where the selected band's node does, in its colour.
    if (hasSelectedBand(v)) {
        const Band& band = v.bands[static_cast<std::size_t>(v.selectedBand)];
        key.push_back(bits(frequencyToX(band.frequency, p.width)));
        key.push_back(bits(gainToY(band.gain)));
        key.push_back(band.colour);
    }
    return key;
}
