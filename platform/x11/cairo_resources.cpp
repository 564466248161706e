// Brushes, pens, string formats and paths of the Cairo canvas. A create that fails answers
// null, and every drawing call does nothing with a null handle, so a missing resource
// costs one element of the picture and never the paint.
#include "platform/x11/cairo_records.h"

#include <new>

namespace {

// GDI+'s tile wrap repeats the gradient beyond its end points, restarting from the first
// colour; Cairo's repeat extend is the same rule.
CanvasBrush* lineBrush(double x1, double y1, double x2, double y2, std::uint32_t argbFrom,
                       std::uint32_t argbTo) {
    auto* brush = new (std::nothrow) CanvasBrush;
    if (brush == nullptr) {
        return nullptr;
    }
    brush->pattern = cairo_pattern_create_linear(x1, y1, x2, y2);
    addStopArgb(brush->pattern, 0.0, argbFrom);
    addStopArgb(brush->pattern, 1.0, argbTo);
    cairo_pattern_set_extend(brush->pattern, CAIRO_EXTEND_REPEAT);
    return brush;
}

} // namespace

// Brushes

CanvasBrush* createSolidBrush(std::uint32_t argb) {
    auto* brush = new (std::nothrow) CanvasBrush;
    if (brush == nullptr) {
        return nullptr;
    }
    const auto part = [argb](int shift) { return ((argb >> shift) & 0xFFu) / 255.0; };
    brush->pattern = cairo_pattern_create_rgba(part(16), part(8), part(0), part(24));
    return brush;
}

CanvasBrush* createLineBrush(CanvasPoint from, CanvasPoint to, std::uint32_t argbFrom,
                             std::uint32_t argbTo, CanvasWrapMode /*wrap: only tile exists*/) {
    return lineBrush(from.x, from.y, to.x, to.y, argbFrom, argbTo);
}

CanvasBrush* createLineBrushI(int x1, int y1, int x2, int y2, std::uint32_t argbFrom,
                              std::uint32_t argbTo, CanvasWrapMode /*wrap: only tile exists*/) {
    return lineBrush(x1, y1, x2, y2, argbFrom, argbTo);
}

void deleteBrush(CanvasBrush* brush) {
    if (brush != nullptr) {
        cairo_pattern_destroy(brush->pattern);
        delete brush;
    }
}

// Pens

CanvasPen* createPen(std::uint32_t argb, float width) {
    auto* pen = new (std::nothrow) CanvasPen;
    if (pen != nullptr) {
        pen->argb = argb;
        pen->width = width;
    }
    return pen;
}

void setPenDashStyle(CanvasPen* pen, CanvasDashStyle style) {
    if (pen != nullptr) {
        pen->dash = style;
    }
}

void deletePen(CanvasPen* pen) {
    delete pen;
}

// String formats

CanvasStringFormat* createStringFormat(CanvasAlignment horizontal, CanvasAlignment line) {
    auto* format = new (std::nothrow) CanvasStringFormat;
    if (format != nullptr) {
        format->horizontal = horizontal;
        format->line = line;
    }
    return format;
}

void deleteStringFormat(CanvasStringFormat* format) {
    delete format;
}

// Paths

CanvasPath* createPath(CanvasFillMode /*mode: only alternate exists*/) {
    return new (std::nothrow) CanvasPath;
}

// Like GDI+'s AddLines, the points continue the open figure, or start one after a close.
void pathAddLines(CanvasPath* path, const CanvasPoint* points, int count) {
    if (path == nullptr || points == nullptr || count <= 0) {
        return;
    }
    try {
        if (path->figures.empty() || path->figures.back().closed) {
            path->figures.emplace_back();
        }
        auto& figure = path->figures.back().points;
        figure.insert(figure.end(), points, points + count);
    } catch (...) {
        // Out of memory: the path keeps what it had.
    }
}

void pathCloseFigure(CanvasPath* path) {
    if (path != nullptr && !path->figures.empty()) {
        path->figures.back().closed = true;
    }
}

void deletePath(CanvasPath* path) {
    delete path;
}
