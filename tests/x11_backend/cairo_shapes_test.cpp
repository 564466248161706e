// Shapes drawn through the Cairo canvas on an image surface, read back pixel by pixel,
// with GDI+'s conventions: pixel centres on whole coordinates, angles clockwise from +x.
#include "platform/x11/cairo_canvas.h"
#include "platform/x11/cairo_records.h"
#include "tests/x11_backend/canvas_pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

struct Painted {
    cairo_surface_t* surface = nullptr;
    Canvas* canvas = nullptr;
};

Painted openPainted(int width = 100, int height = 100) {
    Painted p;
    p.surface = blackSurface(width, height);
    p.canvas = openCairoCanvas(p.surface, nullptr);
    return p;
}

// Closes the canvas (the surface then holds the drawing) and keeps the surface.
cairo_surface_t* finish(Painted& p) {
    closeCairoCanvas(p.canvas);
    p.canvas = nullptr;
    return p.surface;
}

void fillRect(Canvas* c, std::uint32_t argb, int x, int y, int w, int h) {
    CanvasBrush* brush = createSolidBrush(argb);
    fillRectangleI(c, brush, x, y, w, h);
    deleteBrush(brush);
}

void line(Canvas* c, std::uint32_t argb, float width, float x1, float y1, float x2, float y2,
          CanvasDashStyle style = DashStyleSolid) {
    CanvasPen* pen = createPen(argb, width);
    setPenDashStyle(pen, style);
    drawLine(c, pen, x1, y1, x2, y2);
    deletePen(pen);
}

void arc(Canvas* c, float x, float y, float w, float h, float start, float sweep) {
    CanvasPen* pen = createPen(kWhite, 3.0f);
    drawArc(c, pen, x, y, w, h, start, sweep);
    deletePen(pen);
}

// The pixel at angle `deg` (clockwise from +x) on the ellipse inscribed in the box.
bool litOnEllipse(cairo_surface_t* s, CanvasRect box, double deg) {
    const double a = deg * std::numbers::pi / 180.0;
    const double rx = box.w / 2.0;
    const double ry = box.h / 2.0;
    const double r = 1.0 / std::sqrt(std::pow(std::cos(a) / rx, 2) + std::pow(std::sin(a) / ry, 2));
    const int x = static_cast<int>(std::lround(box.x + rx + r * std::cos(a)));
    const int y = static_cast<int>(std::lround(box.y + ry + r * std::sin(a)));
    return inkIn(s, x, y, x + 1, y + 1, 100).count == 1;
}

} // namespace

TEST(CairoShapes, SolidFillCoversItsRectangleOnGdiPlusPixelCentres) {
    Painted p = openPainted();
    fillRect(p.canvas, kRed, 10, 20, 30, 40);
    cairo_surface_t* s = finish(p);
    EXPECT_EQ(pixelAt(s, 25, 40), kRed);
    EXPECT_EQ(pixelAt(s, 11, 21), kRed);
    EXPECT_EQ(pixelAt(s, 39, 59), kRed);
    // Edges on whole coordinates run through pixel centres: those pixels are half covered.
    EXPECT_NEAR(red(pixelAt(s, 10, 40)), 128, 2);
    EXPECT_NEAR(red(pixelAt(s, 40, 40)), 128, 2);
    EXPECT_NEAR(red(pixelAt(s, 25, 20)), 128, 2);
    EXPECT_EQ(pixelAt(s, 9, 40), 0xFF000000u);
    EXPECT_EQ(pixelAt(s, 41, 40), 0xFF000000u);
    EXPECT_EQ(pixelAt(s, 25, 61), 0xFF000000u);
    EXPECT_EQ(inkIn(s, 0, 0, 100, 100, 0).count, 31 * 41);
    cairo_surface_destroy(s);
}

TEST(CairoShapes, TranslucentFillBlends) {
    Painted p = openPainted();
    fillRect(p.canvas, kWhite, 0, 0, 100, 100);
    fillRect(p.canvas, 0x80FF0000, 20, 20, 20, 20);
    cairo_surface_t* s = finish(p);
    const std::uint32_t px = pixelAt(s, 30, 30);
    EXPECT_EQ(red(px), 255);
    EXPECT_NEAR(green(px), 127, 2);
    cairo_surface_destroy(s);
}

TEST(CairoShapes, OnePixelLineOnAWholeCoordinateFillsOneRow) {
    Painted p = openPainted();
    CanvasPen* pen = createPen(kWhite, 1.0f);
    drawLineI(p.canvas, pen, 0, 52, 100, 52);
    deletePen(pen);
    cairo_surface_t* s = finish(p);
    EXPECT_EQ(pixelAt(s, 50, 52), kWhite);
    EXPECT_EQ(pixelAt(s, 50, 51), 0xFF000000u);
    EXPECT_EQ(pixelAt(s, 50, 53), 0xFF000000u);
    cairo_surface_destroy(s);
}

TEST(CairoShapes, PenWidthIsInPixels) {
    Painted p = openPainted();
    line(p.canvas, kWhite, 3.0f, 10.0f, 50.0f, 90.0f, 50.0f);
    cairo_surface_t* s = finish(p);
    EXPECT_EQ(inkInColumn(s, 50, 0, 100, 200), 3);
    EXPECT_EQ(pixelAt(s, 50, 49), kWhite);
    cairo_surface_destroy(s);
}

TEST(CairoShapes, VerticalGradientRunsBetweenItsPointsAndTilesBeyond) {
    Painted p = openPainted(20, 100);
    CanvasBrush* brush = createLineBrushI(0, 0, 0, 40, kRed, kBlue, WrapModeTile);
    fillRectangleI(p.canvas, brush, -1, -1, 22, 102);
    deleteBrush(brush);
    cairo_surface_t* s = finish(p);
    EXPECT_GE(red(pixelAt(s, 10, 0)), 250);
    EXPECT_LE(blue(pixelAt(s, 10, 0)), 5);
    EXPECT_GE(blue(pixelAt(s, 10, 39)), 240);
    EXPECT_NEAR(red(pixelAt(s, 10, 20)), 128, 4);
    // Tile wrap: past the end point the gradient starts over from the first colour.
    EXPECT_GE(red(pixelAt(s, 10, 40)), 250);
    EXPECT_NEAR(red(pixelAt(s, 10, 60)), 128, 4);
    EXPECT_GE(blue(pixelAt(s, 10, 79)), 240);
    cairo_surface_destroy(s);
}

TEST(CairoShapes, FloatGradientFollowsItsDirection) {
    Painted p = openPainted(100, 10);
    CanvasBrush* brush =
        createLineBrush({10.0f, 0.0f}, {90.0f, 0.0f}, 0xFF000000, kWhite, WrapModeTile);
    fillRectangle(p.canvas, brush, 10.0f, 0.0f, 80.0f, 10.0f);
    deleteBrush(brush);
    cairo_surface_t* s = finish(p);
    EXPECT_LT(green(pixelAt(s, 12, 5)), 15);
    EXPECT_NEAR(green(pixelAt(s, 50, 5)), 128, 4);
    EXPECT_GT(green(pixelAt(s, 88, 5)), 240);
    cairo_surface_destroy(s);
}

TEST(CairoShapes, DashedLineHasGapsAndSolidLineHasNone) {
    Painted p = openPainted();
    line(p.canvas, kWhite, 2.0f, 0.0f, 20.5f, 100.0f, 20.5f, DashStyleDash);
    line(p.canvas, kWhite, 2.0f, 0.0f, 60.5f, 100.0f, 60.5f, DashStyleSolid);
    cairo_surface_t* s = finish(p);
    double coverage = 0.0;
    int gaps = 0;
    bool wasLit = true;
    for (int x = 0; x < 100; ++x) {
        const bool lit = green(pixelAt(s, x, 20)) > 128;
        coverage += green(pixelAt(s, x, 20)) / 255.0;
        gaps += (wasLit && !lit) ? 1 : 0;
        wasLit = lit;
        EXPECT_GT(green(pixelAt(s, x, 60)), 120) << x;
    }
    // Three widths on, one off: 6 px dashes and 2 px gaps from x = 0, the last dash cut
    // short by the end of the row; 75.5 px covered in all.
    EXPECT_GE(gaps, 12);
    EXPECT_NEAR(coverage, 75.5, 2.0);
    cairo_surface_destroy(s);
}

TEST(CairoShapes, ArcSweepsClockwiseFromPositiveX) {
    Painted p = openPainted();
    const CanvasRect box{10.0f, 10.0f, 80.0f, 80.0f};
    arc(p.canvas, box.x, box.y, box.w, box.h, 0.0f, 90.0f);
    cairo_surface_t* s = finish(p);
    EXPECT_TRUE(litOnEllipse(s, box, 10.0));
    EXPECT_TRUE(litOnEllipse(s, box, 45.0)); // lower right: y grows downwards
    EXPECT_TRUE(litOnEllipse(s, box, 80.0));
    EXPECT_FALSE(litOnEllipse(s, box, -45.0));
    EXPECT_FALSE(litOnEllipse(s, box, 135.0));
    cairo_surface_destroy(s);
}

TEST(CairoShapes, NegativeSweepRunsAnticlockwise) {
    Painted p = openPainted();
    const CanvasRect box{10.0f, 10.0f, 80.0f, 80.0f};
    arc(p.canvas, box.x, box.y, box.w, box.h, 0.0f, -90.0f);
    cairo_surface_t* s = finish(p);
    EXPECT_TRUE(litOnEllipse(s, box, -45.0));
    EXPECT_FALSE(litOnEllipse(s, box, 45.0));
    cairo_surface_destroy(s);
}

// The knob's track: 240 degrees from 150, leaving the gap at the bottom.
TEST(CairoShapes, KnobTrackLeavesItsGapAtTheBottom) {
    Painted p = openPainted();
    const CanvasRect box{10.0f, 10.0f, 80.0f, 80.0f};
    arc(p.canvas, box.x, box.y, box.w, box.h, 150.0f, 240.0f);
    cairo_surface_t* s = finish(p);
    EXPECT_TRUE(litOnEllipse(s, box, 180.0));
    EXPECT_TRUE(litOnEllipse(s, box, 270.0)); // the top
    EXPECT_TRUE(litOnEllipse(s, box, 0.0));
    EXPECT_FALSE(litOnEllipse(s, box, 90.0)); // the bottom
    cairo_surface_destroy(s);
}

// On a flattened ellipse GDI+'s angles are those of the points themselves, not of the
// circle the ellipse is squashed from.
TEST(CairoShapes, EllipseArcAnglesAreTrueAngles) {
    Painted p = openPainted();
    const CanvasRect box{10.0f, 30.0f, 80.0f, 40.0f};
    arc(p.canvas, box.x, box.y, box.w, box.h, 0.0f, 45.0f);
    cairo_surface_t* s = finish(p);
    EXPECT_TRUE(litOnEllipse(s, box, 35.0));
    EXPECT_FALSE(litOnEllipse(s, box, 60.0));
    cairo_surface_destroy(s);
}

TEST(CairoShapes, EllipseFillAndOutline) {
    Painted p = openPainted();
    CanvasBrush* brush = createSolidBrush(kRed);
    fillEllipse(p.canvas, brush, 10.0f, 10.0f, 40.0f, 40.0f);
    deleteBrush(brush);
    CanvasPen* pen = createPen(kWhite, 2.0f);
    drawEllipse(p.canvas, pen, 55.0f, 10.0f, 40.0f, 40.0f);
    deletePen(pen);
    cairo_surface_t* s = finish(p);
    EXPECT_EQ(pixelAt(s, 30, 30), kRed);
    EXPECT_EQ(pixelAt(s, 12, 12), 0xFF000000u); // the box's corner is outside the ellipse
    EXPECT_EQ(pixelAt(s, 75, 30), 0xFF000000u); // an outline has no inside
    EXPECT_GT(green(pixelAt(s, 75, 10)), 200);
    cairo_surface_destroy(s);
}

TEST(CairoShapes, RectangleOutlineLeavesTheInsideAlone) {
    Painted p = openPainted();
    CanvasPen* pen = createPen(kWhite, 1.0f);
    drawRectangle(p.canvas, pen, 20.0f, 20.0f, 40.0f, 30.0f);
    deletePen(pen);
    cairo_surface_t* s = finish(p);
    EXPECT_EQ(pixelAt(s, 20, 35), kWhite);
    EXPECT_EQ(pixelAt(s, 60, 35), kWhite);
    EXPECT_EQ(pixelAt(s, 40, 50), kWhite);
    EXPECT_EQ(pixelAt(s, 40, 35), 0xFF000000u);
    cairo_surface_destroy(s);
}

TEST(CairoShapes, PolylineJoinsItsPoints) {
    Painted p = openPainted();
    const CanvasPoint points[] = {{10, 80}, {50, 20}, {90, 80}};
    CanvasPen* pen = createPen(kWhite, 2.0f);
    drawLines(p.canvas, pen, points, 3);
    deletePen(pen);
    cairo_surface_t* s = finish(p);
    EXPECT_GT(inkIn(s, 28, 48, 33, 53).count, 0); // on the first segment
    EXPECT_GT(inkIn(s, 68, 48, 73, 53).count, 0); // on the second
    EXPECT_EQ(inkIn(s, 30, 78, 70, 83).count, 0); // left open: no line back along y = 80
    cairo_surface_destroy(s);
}

TEST(CairoShapes, PathFillsWithTheAlternateRule) {
    Painted p = openPainted();
    CanvasPath* path = createPath(FillModeAlternate);
    const CanvasPoint outer[] = {{10, 10}, {90, 10}, {90, 90}, {10, 90}};
    const CanvasPoint inner[] = {{30, 30}, {70, 30}, {70, 70}, {30, 70}};
    pathAddLines(path, outer, 4);
    pathCloseFigure(path);
    pathAddLines(path, inner, 4);
    pathCloseFigure(path);
    CanvasBrush* brush = createSolidBrush(kRed);
    fillPath(p.canvas, brush, path);
    deleteBrush(brush);
    deletePath(path);
    cairo_surface_t* s = finish(p);
    EXPECT_EQ(pixelAt(s, 20, 50), kRed);
    EXPECT_EQ(pixelAt(s, 50, 50), 0xFF000000u); // inside twice: a hole
    cairo_surface_destroy(s);
}

// AddLines continues an open figure: two calls make one closed outline, not two.
TEST(CairoShapes, PathLinesContinueTheOpenFigure) {
    Painted p = openPainted();
    CanvasPath* path = createPath(FillModeAlternate);
    const CanvasPoint first[] = {{10, 10}, {90, 10}};
    const CanvasPoint second[] = {{90, 90}, {10, 90}};
    pathAddLines(path, first, 2);
    pathAddLines(path, second, 2);
    CanvasBrush* brush = createSolidBrush(kRed);
    fillPath(p.canvas, brush, path);
    deleteBrush(brush);
    deletePath(path);
    cairo_surface_t* s = finish(p);
    EXPECT_EQ(pixelAt(s, 50, 50), kRed);
    cairo_surface_destroy(s);
}

TEST(CairoShapes, NullHandlesDrawNothing) {
    Painted p = openPainted();
    CanvasBrush* brush = createSolidBrush(kRed);
    CanvasPen* pen = createPen(kRed, 2.0f);
    fillRectangle(p.canvas, nullptr, 0, 0, 100, 100);
    fillRectangle(nullptr, brush, 0, 0, 100, 100);
    drawLine(p.canvas, nullptr, 0, 0, 100, 100);
    drawEllipse(nullptr, pen, 0, 0, 100, 100);
    fillPath(p.canvas, brush, nullptr);
    drawLines(p.canvas, pen, nullptr, 3);
    drawString(p.canvas, L"x", nullptr, {0, 0, 0, 0}, nullptr, brush);
    setPenDashStyle(nullptr, DashStyleDash);
    pathAddLines(nullptr, nullptr, 2);
    pathCloseFigure(nullptr);
    deleteBrush(nullptr);
    deletePen(nullptr);
    deleteFont(nullptr);
    deleteFontFamily(nullptr);
    deleteStringFormat(nullptr);
    deletePath(nullptr);
    deleteBrush(brush);
    deletePen(pen);
    EXPECT_EQ(createFontFamily(nullptr), nullptr);
    EXPECT_EQ(createFont(nullptr, 10.0f, FontStyleRegular), nullptr);
    EXPECT_EQ(openCairoCanvas(nullptr, nullptr), nullptr);
    cairo_surface_t* s = finish(p);
    EXPECT_EQ(inkAll(s, 0).count, 0);
    cairo_surface_destroy(s);
}

// Cairo would stop drawing for good after a degenerate transform; these must cost only
// their own shape.
TEST(CairoShapes, DegenerateShapesDoNotStopTheRestOfThePaint) {
    Painted p = openPainted();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    CanvasBrush* brush = createSolidBrush(kRed);
    CanvasPen* pen = createPen(kWhite, 1.0f);
    fillEllipse(p.canvas, brush, 10, 10, 0, 20);
    drawEllipse(p.canvas, pen, 10, 10, 20, 0);
    drawArc(p.canvas, pen, 10, 10, 0, 0, 0, 90);
    drawArc(p.canvas, pen, 10, 10, 20, 20, nan, 90);
    fillRectangle(p.canvas, brush, nan, 0, 10, 10);
    drawLine(p.canvas, pen, 0, 0, inf, 5);
    const CanvasPoint bad[] = {{0, 0}, {nan, 3}};
    drawLines(p.canvas, pen, bad, 2);
    EXPECT_EQ(cairo_status(p.canvas->cr), CAIRO_STATUS_SUCCESS);
    fillRectangleI(p.canvas, brush, 50, 50, 10, 10);
    deleteBrush(brush);
    deletePen(pen);
    cairo_surface_t* s = finish(p);
    EXPECT_EQ(pixelAt(s, 55, 55), kRed);
    EXPECT_EQ(pixelAt(s, 20, 20), 0xFF000000u);
    cairo_surface_destroy(s);
}
