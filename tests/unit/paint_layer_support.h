// Paints through a window's layer the way the platform does, and compares two recorded
// pictures: the same drawing calls, and any pair the layer puts in another order lying
// apart, so that no pixel can tell the orders apart.
#pragma once

#include "paint_test_support.h"

#include <string>
#include <vector>

namespace painttest {

// A window as the platform keeps it: one layer that outlives every paint.
struct LayeredWindow {
    CanvasLayer* layer = createCanvasLayer();

    LayeredWindow() = default;
    ~LayeredWindow() { destroyCanvasLayer(layer); }
    LayeredWindow(const LayeredWindow&) = delete;
    LayeredWindow& operator=(const LayeredWindow&) = delete;

    // One paint: everything it recorded (the layer's copy included).
    std::vector<CanvasCall> paint(PluginInstance& inst, int width = 920, int height = 580);
    int builds() const { return layerBuilds(layer); }
    bool layerShows(const std::wstring& text) const;
};

// A paint without a layer: every step drawn in order.
std::vector<CanvasCall> paintDirect(PluginInstance& inst, int width = 920, int height = 580);

// The call with the state of its handles, without resource ids.
std::string describe(const CanvasCall& call);

struct Box {
    float left;
    float top;
    float right;
    float bottom;
};
// Where a drawing call can put pixels: its geometry, half its pen and the stroke's mitred
// joins, one pixel of anti-aliasing; text in its layout box or, unbounded, in a line box.
Box reach(const CanvasCall& call);
bool overlap(const Box& a, const Box& b);

// Empty when `layered` holds the same drawing calls as `direct` and every two calls drawn
// in the other order lie apart; otherwise the first difference found.
std::string pictureDifference(const std::vector<CanvasCall>& direct,
                              const std::vector<CanvasCall>& layered);

} // namespace painttest
