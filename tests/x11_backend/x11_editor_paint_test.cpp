// The whole editor picture through the Cairo canvas, the way the X11 window paints it: an
// opaque 920 x 580 image with the window's layer. TOLVANE_X11_PICTURE=<file.png> keeps the
// picture for a look by eye.
#include "dsp/instance_engine.h"
#include "editor/editor_state.h"
#include "editor/editor_window.h"
#include "editor/paint_helpers.h"
#include "platform/x11/cairo_canvas.h"
#include "tests/x11_backend/canvas_pixels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kWidth = 920;
constexpr int kHeight = 580;

cairo_surface_t* paintPicture(EditorState& editor, CanvasLayer* layer) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    Canvas* canvas = openCairoCanvas(surface, layer);
    paintEditor(canvas, kWidth, kHeight, editor);
    closeCairoCanvas(canvas);
    EXPECT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
    return surface;
}

bool samePixels(cairo_surface_t* a, cairo_surface_t* b) {
    const auto bytes = static_cast<std::size_t>(cairo_image_surface_get_stride(a)) * kHeight;
    return std::memcmp(cairo_image_surface_get_data(a), cairo_image_surface_get_data(b), bytes) ==
           0;
}

std::uint32_t rgb(cairo_surface_t* s, int x, int y) {
    return pixelAt(s, x, y) & 0xFFFFFFu;
}

struct EditorPicture : ::testing::Test {
    InstanceEngine engine;
    EditorState editor{engine};
};

} // namespace

// The layer only moves static steps earlier; on Cairo, as on GDI+, that changes no pixel.
TEST_F(EditorPicture, LayeredPaintsMatchTheDirectPaint) {
    CanvasLayer* layer = createCanvasLayer();
    cairo_surface_t* direct = paintPicture(editor, nullptr);
    cairo_surface_t* building = paintPicture(editor, layer);
    cairo_surface_t* reusing = paintPicture(editor, layer);
    EXPECT_TRUE(samePixels(direct, building));
    EXPECT_TRUE(samePixels(direct, reusing));
    if (const char* path = std::getenv("TOLVANE_X11_PICTURE")) {
        EXPECT_EQ(cairo_surface_write_to_png(direct, path), CAIRO_STATUS_SUCCESS);
    }
    cairo_surface_destroy(direct);
    cairo_surface_destroy(building);
    cairo_surface_destroy(reusing);
    destroyCanvasLayer(layer);
}

TEST_F(EditorPicture, HeaderColoursLandOnTheirPixels) {
    cairo_surface_t* s = paintPicture(editor, nullptr);
    // The logo's tallest bar: gold, 3 px wide from x = 32.
    EXPECT_EQ(rgb(s, 33, 30), kColourGold & 0xFFFFFFu);
    // The header band's gradient, 0x10141F at the top to 0x0A0D14 at y = 52.
    const std::uint32_t top = rgb(s, 5, 2);
    EXPECT_NEAR(red(top), 0x10, 1);
    EXPECT_NEAR(green(top), 0x14, 1);
    EXPECT_NEAR(blue(top), 0x1F, 1);
    const std::uint32_t low = rgb(s, 5, 50);
    EXPECT_NEAR(blue(low), 0x14, 1);
    cairo_surface_destroy(s);
}

TEST_F(EditorPicture, TitleIsWritten) {
    cairo_surface_t* s = paintPicture(editor, nullptr);
    const PixelBox title = inkIn(s, 48, 10, 104, 36, 150);
    EXPECT_GT(title.count, 60);
    EXPECT_LE(title.left, 53);
    cairo_surface_destroy(s);
}

// The preset title with its arrows, centred in its box at the top.
TEST_F(EditorPicture, PresetTitleShowsBothArrowsAroundTheName) {
    cairo_surface_t* s = paintPicture(editor, nullptr);
    const PixelBox text = inkIn(s, 332, 13, 589, 40, 120);
    ASSERT_GT(text.count, 100);
    EXPECT_NEAR((text.left + text.right) / 2.0, 460.0, 4.0);
    // Each end is an arrow's base: a short vertical run of ink, not a stray pixel.
    EXPECT_GE(inkInColumn(s, text.left + 5, 13, 40, 120), 3);
    EXPECT_GE(inkInColumn(s, text.right - 5, 13, 40, 120), 3);
    cairo_surface_destroy(s);
}
