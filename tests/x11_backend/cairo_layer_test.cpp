// A window's layer on the Cairo canvas: drawn once under a key, copied under every paint
// while the key holds, drawn again for another key or size.
#include "platform/x11/cairo_canvas.h"
#include "tests/x11_backend/canvas_pixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr int kWidth = 64;
constexpr int kHeight = 48;

// A window's paints the way the editor makes them: the layer is drawn in `colour` when it
// does not hold `key`, then copied, then a moving part (a white square) goes on top.
struct LayeredPaints {
    CanvasLayer* layer = createCanvasLayer();
    int layerDraws = 0;

    cairo_surface_t* paint(std::uint32_t key, std::uint32_t colour, int width = kWidth,
                           int height = kHeight) {
        cairo_surface_t* target = blackSurface(width, height);
        Canvas* canvas = openCairoCanvas(target, layer);
        CanvasLayer* l = canvasLayer(canvas);
        if (!layerHolds(l, &key, sizeof key, width, height)) {
            Canvas* onLayer = beginLayer(l, width, height);
            CanvasBrush* brush = createSolidBrush(colour);
            fillRectangleI(onLayer, brush, -1, -1, width + 2, height + 2);
            deleteBrush(brush);
            endLayer(l, onLayer, &key, sizeof key);
            ++layerDraws;
        }
        drawLayer(canvas, l);
        CanvasBrush* white = createSolidBrush(0xFFFFFFFF);
        fillRectangleI(canvas, white, 10, 10, 4, 4);
        deleteBrush(white);
        closeCairoCanvas(canvas);
        return target;
    }
};

} // namespace

TEST(CairoLayer, PaintCanvasNamesItsLayerAndTheLayerCanvasNone) {
    LayeredPaints w;
    cairo_surface_t* target = blackSurface(kWidth, kHeight);
    Canvas* canvas = openCairoCanvas(target, w.layer);
    EXPECT_EQ(canvasLayer(canvas), w.layer);
    Canvas* onLayer = beginLayer(w.layer, kWidth, kHeight);
    ASSERT_NE(onLayer, nullptr);
    EXPECT_EQ(canvasLayer(onLayer), nullptr);
    endLayer(w.layer, onLayer, "k", 1);
    closeCairoCanvas(canvas);
    EXPECT_EQ(canvasLayer(nullptr), nullptr);
    cairo_surface_destroy(target);
    destroyCanvasLayer(w.layer);
}

TEST(CairoLayer, SameKeyIsDrawnOnceAndCopiedUnderEveryPaint) {
    LayeredPaints w;
    for (int i = 0; i < 3; ++i) {
        cairo_surface_t* s = w.paint(7, kRed);
        EXPECT_EQ(pixelAt(s, 40, 30), kRed) << i;
        EXPECT_EQ(pixelAt(s, 11, 11), 0xFFFFFFFFu) << i; // the moving part on top
        cairo_surface_destroy(s);
    }
    EXPECT_EQ(w.layerDraws, 1);
    destroyCanvasLayer(w.layer);
}

TEST(CairoLayer, AnotherKeyRedrawsTheLayer) {
    LayeredPaints w;
    cairo_surface_destroy(w.paint(7, kRed));
    cairo_surface_t* s = w.paint(8, kGreen);
    EXPECT_EQ(w.layerDraws, 2);
    EXPECT_EQ(pixelAt(s, 40, 30), kGreen);
    cairo_surface_destroy(s);
    // The moving part drawn over the old picture never leaks into the layer.
    s = w.paint(8, kRed);
    EXPECT_EQ(w.layerDraws, 2);
    EXPECT_EQ(pixelAt(s, 40, 30), kGreen);
    EXPECT_EQ(pixelAt(s, 20, 20), kGreen);
    cairo_surface_destroy(s);
    destroyCanvasLayer(w.layer);
}

TEST(CairoLayer, AnotherSizeRedrawsTheLayer) {
    LayeredPaints w;
    cairo_surface_destroy(w.paint(7, kRed));
    EXPECT_FALSE(layerHolds(w.layer, "\x07\0\0\0", 4, kWidth + 1, kHeight));
    cairo_surface_t* s = w.paint(7, kGreen, kWidth + 10, kHeight + 10);
    EXPECT_EQ(w.layerDraws, 2);
    EXPECT_EQ(pixelAt(s, kWidth + 5, kHeight + 5), kGreen);
    cairo_surface_destroy(s);
    destroyCanvasLayer(w.layer);
}

TEST(CairoLayer, KeysCompareByteForByte) {
    LayeredPaints w;
    cairo_surface_destroy(w.paint(7, kRed));
    const std::uint32_t same = 7;
    const std::uint64_t longer = 7;
    EXPECT_TRUE(layerHolds(w.layer, &same, sizeof same, kWidth, kHeight));
    EXPECT_FALSE(layerHolds(w.layer, &longer, sizeof longer, kWidth, kHeight));
    EXPECT_FALSE(layerHolds(w.layer, &same, sizeof same - 1, kWidth, kHeight));
    EXPECT_FALSE(layerHolds(nullptr, &same, sizeof same, kWidth, kHeight));
    destroyCanvasLayer(w.layer);
}

// A redraw that never ended (the painter threw) leaves no picture to copy.
TEST(CairoLayer, UnfinishedRedrawHoldsNothing) {
    LayeredPaints w;
    cairo_surface_destroy(w.paint(7, kRed));
    cairo_surface_t* target = blackSurface(kWidth, kHeight);
    Canvas* canvas = openCairoCanvas(target, w.layer);
    ASSERT_NE(beginLayer(w.layer, kWidth, kHeight), nullptr);
    const std::uint32_t key = 7;
    EXPECT_FALSE(layerHolds(w.layer, &key, sizeof key, kWidth, kHeight));
    drawLayer(canvas, w.layer);
    closeCairoCanvas(canvas);
    EXPECT_EQ(pixelAt(target, 40, 30), 0xFF000000u);
    cairo_surface_destroy(target);
    destroyCanvasLayer(w.layer); // with the redraw still open
}

TEST(CairoLayer, NoPictureWithoutAPaintOrASize) {
    CanvasLayer* layer = createCanvasLayer();
    EXPECT_EQ(beginLayer(layer, kWidth, kHeight), nullptr); // no paint to take a format from
    cairo_surface_t* target = blackSurface(kWidth, kHeight);
    Canvas* canvas = openCairoCanvas(target, layer);
    EXPECT_EQ(beginLayer(layer, 0, kHeight), nullptr);
    EXPECT_EQ(beginLayer(nullptr, kWidth, kHeight), nullptr);
    endLayer(layer, nullptr, "k", 1);
    EXPECT_FALSE(layerHolds(layer, "k", 1, 0, kHeight));
    drawLayer(canvas, layer);
    drawLayer(canvas, nullptr);
    closeCairoCanvas(canvas);
    EXPECT_EQ(inkAll(target, 0).count, 0);
    cairo_surface_destroy(target);
    destroyCanvasLayer(layer);
    destroyCanvasLayer(nullptr);
}

// The back buffer of an X window has no alpha; the layer copies it exactly all the same.
TEST(CairoLayer, OpaqueTargetsGetAnExactCopy) {
    CanvasLayer* layer = createCanvasLayer();
    cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    Canvas* canvas = openCairoCanvas(target, layer);
    Canvas* onLayer = beginLayer(layer, kWidth, kHeight);
    CanvasBrush* brush = createLineBrushI(0, 0, kWidth, 0, 0xFF102030, 0xFFF0E0D0, WrapModeTile);
    fillRectangleI(onLayer, brush, -1, -1, kWidth + 2, kHeight + 2);
    fillRectangleI(canvas, brush, -1, -1, kWidth + 2, kHeight + 2);
    endLayer(layer, onLayer, "k", 1);
    closeCairoCanvas(canvas);
    std::vector<std::uint32_t> direct;
    for (int x = 0; x < kWidth; ++x) {
        direct.push_back(pixelAt(target, x, 20) & 0xFFFFFFu);
    }
    canvas = openCairoCanvas(target, layer);
    CanvasBrush* black = createSolidBrush(0xFF000000);
    fillRectangleI(canvas, black, -1, -1, kWidth + 2, kHeight + 2);
    drawLayer(canvas, layer);
    closeCairoCanvas(canvas);
    for (int x = 0; x < kWidth; ++x) {
        EXPECT_EQ(pixelAt(target, x, 20) & 0xFFFFFFu, direct[static_cast<std::size_t>(x)]) << x;
    }
    deleteBrush(black);
    deleteBrush(brush);
    cairo_surface_destroy(target);
    destroyCanvasLayer(layer);
}
