// Shapes on the Cairo canvas, with GDI+'s pen rules: widths in world units, flat caps,
// miter joins, dashes as multiples of the pen's width. Calls with a null handle or a
// coordinate that is not finite draw nothing: Cairo would put the whole context into an
// error state for a degenerate transform, and lose the rest of the paint with it.
#include "platform/x11/cairo_records.h"

#include <cmath>
#include <initializer_list>
#include <numbers>

namespace {

bool allFinite(std::initializer_list<float> values) {
    for (float v : values) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    return true;
}

cairo_t* context(Canvas* c) {
    return c != nullptr ? c->cr : nullptr;
}

void fillWith(cairo_t* cr, const CanvasBrush& brush) {
    cairo_set_source(cr, brush.pattern);
    cairo_fill(cr);
}

// GDI+'s DashStyleDash: three widths drawn, one left out.
void strokeWith(cairo_t* cr, const CanvasPen& pen) {
    setSourceArgb(cr, pen.argb);
    cairo_set_line_width(cr, pen.width);
    if (pen.dash == DashStyleDash) {
        const double dashes[] = {3.0 * pen.width, 1.0 * pen.width};
        cairo_set_dash(cr, dashes, 2, 0.0);
    } else {
        cairo_set_dash(cr, nullptr, 0, 0.0);
    }
    cairo_stroke(cr);
}

// The ellipse inscribed in the box as a unit circle scaled; the caller checked the box.
void ellipsePath(cairo_t* cr, float x, float y, float w, float h) {
    cairo_new_path(cr);
    cairo_save(cr);
    cairo_translate(cr, x + w / 2.0, y + h / 2.0);
    cairo_scale(cr, w / 2.0, h / 2.0);
    cairo_arc(cr, 0.0, 0.0, 1.0, 0.0, 2.0 * std::numbers::pi);
    cairo_close_path(cr);
    cairo_restore(cr);
}

// GDI+ measures an ellipse arc's angles to the points on the ellipse itself; the unit
// circle the path is scaled from needs the parameter that reaches the same point.
double parameterAt(double degrees, double rx, double ry) {
    const double a = degrees * std::numbers::pi / 180.0;
    return std::atan2(rx * std::sin(a), ry * std::cos(a));
}

void arcPath(cairo_t* cr, float x, float y, float w, float h, float startDeg, float sweepDeg) {
    constexpr double kTurn = 2.0 * std::numbers::pi;
    const double rx = w / 2.0;
    const double ry = h / 2.0;
    const double t0 = parameterAt(startDeg, rx, ry);
    double t1 = parameterAt(static_cast<double>(startDeg) + sweepDeg, rx, ry);
    if (std::fabs(sweepDeg) >= 360.0f) {
        t1 = t0 + (sweepDeg > 0.0f ? kTurn : -kTurn);
    }
    while (sweepDeg > 0.0f && t1 <= t0) {
        t1 += kTurn;
    }
    while (sweepDeg < 0.0f && t1 >= t0) {
        t1 -= kTurn;
    }
    cairo_new_path(cr);
    cairo_save(cr);
    cairo_translate(cr, x + rx, y + ry);
    cairo_scale(cr, rx, ry);
    if (sweepDeg > 0.0f) {
        cairo_arc(cr, 0.0, 0.0, 1.0, t0, t1);
    } else {
        cairo_arc_negative(cr, 0.0, 0.0, 1.0, t0, t1);
    }
    cairo_restore(cr);
}

bool pointsFinite(const CanvasPoint* points, int count) {
    for (int i = 0; i < count; ++i) {
        if (!allFinite({points[i].x, points[i].y})) {
            return false;
        }
    }
    return true;
}

// Adds a sub-path to the current path.
void polylinePath(cairo_t* cr, const CanvasPoint* points, int count) {
    cairo_move_to(cr, points[0].x, points[0].y);
    for (int i = 1; i < count; ++i) {
        cairo_line_to(cr, points[i].x, points[i].y);
    }
}

bool figuresFinite(const CanvasPath& path) {
    for (const PathFigure& figure : path.figures) {
        if (!pointsFinite(figure.points.data(), static_cast<int>(figure.points.size()))) {
            return false;
        }
    }
    return true;
}

} // namespace

void fillRectangle(Canvas* c, CanvasBrush* brush, float x, float y, float w, float h) {
    if (context(c) != nullptr && brush != nullptr && allFinite({x, y, w, h})) {
        cairo_new_path(c->cr);
        cairo_rectangle(c->cr, x, y, w, h);
        fillWith(c->cr, *brush);
    }
}

void fillRectangleI(Canvas* c, CanvasBrush* brush, int x, int y, int w, int h) {
    fillRectangle(c, brush, static_cast<float>(x), static_cast<float>(y), static_cast<float>(w),
                  static_cast<float>(h));
}

void drawRectangle(Canvas* c, CanvasPen* pen, float x, float y, float w, float h) {
    if (context(c) != nullptr && pen != nullptr && allFinite({x, y, w, h})) {
        cairo_new_path(c->cr);
        cairo_rectangle(c->cr, x, y, w, h);
        strokeWith(c->cr, *pen);
    }
}

void drawLine(Canvas* c, CanvasPen* pen, float x1, float y1, float x2, float y2) {
    const CanvasPoint points[] = {{x1, y1}, {x2, y2}};
    drawLines(c, pen, points, 2);
}

void drawLineI(Canvas* c, CanvasPen* pen, int x1, int y1, int x2, int y2) {
    drawLine(c, pen, static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
             static_cast<float>(y2));
}

void fillEllipse(Canvas* c, CanvasBrush* brush, float x, float y, float w, float h) {
    if (context(c) != nullptr && brush != nullptr && allFinite({x, y, w, h}) && w > 0.0f &&
        h > 0.0f) {
        ellipsePath(c->cr, x, y, w, h);
        fillWith(c->cr, *brush);
    }
}

void drawEllipse(Canvas* c, CanvasPen* pen, float x, float y, float w, float h) {
    if (context(c) != nullptr && pen != nullptr && allFinite({x, y, w, h}) && w > 0.0f &&
        h > 0.0f) {
        ellipsePath(c->cr, x, y, w, h);
        strokeWith(c->cr, *pen);
    }
}

void drawArc(Canvas* c, CanvasPen* pen, float x, float y, float w, float h, float startDeg,
             float sweepDeg) {
    if (context(c) != nullptr && pen != nullptr && allFinite({x, y, w, h, startDeg, sweepDeg}) &&
        w > 0.0f && h > 0.0f && sweepDeg != 0.0f) {
        arcPath(c->cr, x, y, w, h, startDeg, sweepDeg);
        strokeWith(c->cr, *pen);
    }
}

void drawLines(Canvas* c, CanvasPen* pen, const CanvasPoint* points, int count) {
    if (context(c) != nullptr && pen != nullptr && points != nullptr && count >= 2 &&
        pointsFinite(points, count)) {
        cairo_new_path(c->cr);
        polylinePath(c->cr, points, count);
        strokeWith(c->cr, *pen);
    }
}

// Each figure is closed for the fill, as GDI+ fills open figures too.
void fillPath(Canvas* c, CanvasBrush* brush, CanvasPath* path) {
    if (context(c) == nullptr || brush == nullptr || path == nullptr || !figuresFinite(*path)) {
        return;
    }
    cairo_new_path(c->cr);
    for (const PathFigure& figure : path->figures) {
        if (figure.points.size() >= 2) {
            polylinePath(c->cr, figure.points.data(), static_cast<int>(figure.points.size()));
            cairo_close_path(c->cr);
        }
    }
    fillWith(c->cr, *brush);
}
