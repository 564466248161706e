#include "paint_layer_support.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <sstream>

namespace painttest {

namespace {

std::vector<CanvasCall> drawingCalls(const std::vector<CanvasCall>& calls) {
    std::vector<CanvasCall> out;
    for (const CanvasCall& call : calls) {
        if (isDrawingOp(call.op)) {
            out.push_back(call);
        }
    }
    return out;
}

std::vector<CanvasCall> record(PluginInstance& inst, CanvasLayer* layer, int width, int height) {
    Canvas* canvas = createRecordingCanvas(layer);
    paintEditor(canvas, width, height, inst.editor);
    std::vector<CanvasCall> calls = recordedCalls(canvas);
    EXPECT_TRUE(unreleasedResources(canvas).empty()) << "a paint left resources behind";
    destroyRecordingCanvas(canvas);
    return calls;
}

Box around(float x, float y, float w, float h, float margin) {
    return {std::min(x, x + w) - margin, std::min(y, y + h) - margin, std::max(x, x + w) + margin,
            std::max(y, y + h) + margin};
}

Box pointsBox(const std::vector<CanvasPoint>& points) {
    Box b{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (const CanvasPoint& p : points) {
        b = {std::min(b.left, p.x), std::min(b.top, p.y), std::max(b.right, p.x),
             std::max(b.bottom, p.y)};
    }
    return b;
}

// A polyline stroke: every vertex grown by how far the stroke reaches around it. Flat ends
// and gentle bends reach half the width; a sharp bend of angle a reaches half the width
// over sin(a / 2) at its mitre tip, clipped at the GDI+ mitre limit of 10 half widths.
Box strokeBox(const std::vector<CanvasPoint>& pts, float width) {
    constexpr double kLimit = 10.0;
    const double half = 0.5 * width;
    Box b{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (std::size_t i = 0; i < pts.size(); ++i) {
        double grow = half;
        if (i > 0 && i + 1 < pts.size()) {
            const double in = std::atan2(pts[i - 1].y - pts[i].y, pts[i - 1].x - pts[i].x);
            const double out = std::atan2(pts[i + 1].y - pts[i].y, pts[i + 1].x - pts[i].x);
            double angle = std::fabs(in - out);
            angle = angle > std::numbers::pi ? 2.0 * std::numbers::pi - angle : angle;
            grow = std::min(half / std::sin(0.5 * angle), kLimit * half);
        }
        const auto g = static_cast<float>(grow) + 1.0f;
        b = {std::min(b.left, pts[i].x - g), std::min(b.top, pts[i].y - g),
             std::max(b.right, pts[i].x + g), std::max(b.bottom, pts[i].y + g)};
    }
    return b;
}

// Text without a layout box: one line, at most 0.8 em a character plus GDI+'s 1/6 em
// padding each side, as tall as the faces' ascent plus descent (Open Sans 1.362 em).
Box textBox(const CanvasCall& c) {
    const float x = c.args[0], y = c.args[1], w = c.args[2], h = c.args[3];
    if (w > 0.0f || h > 0.0f) {
        return around(x, y, w, h, 0.0f); // clipped to its layout box
    }
    const float size = c.font.sizePx;
    const float lineW = static_cast<float>(c.text.size()) * 0.8f * size + size / 3.0f;
    const float lineH = 1.362f * size;
    const auto start = [](CanvasAlignment a, float at, float extent) {
        return a == StringAlignmentCenter ? at - extent / 2
               : a == StringAlignmentFar  ? at - extent
                                          : at;
    };
    return around(start(c.format.horizontal, x, lineW), start(c.format.line, y, lineH), lineW,
                  lineH, 0.0f);
}

} // namespace

std::vector<CanvasCall> LayeredWindow::paint(PluginInstance& inst, int width, int height) {
    return record(inst, layer, width, height);
}

bool LayeredWindow::layerShows(const std::wstring& text) const {
    const auto& calls = layerCalls(layer);
    return std::any_of(calls.begin(), calls.end(), [&](const CanvasCall& c) {
        return c.op == CanvasOp::DrawString && c.text == text;
    });
}

std::vector<CanvasCall> paintDirect(PluginInstance& inst, int width, int height) {
    return record(inst, nullptr, width, height);
}

std::string describe(const CanvasCall& c) {
    std::ostringstream out;
    out.precision(9);
    out << canvasOpName(c.op);
    for (float a : c.args) {
        out << ' ' << a;
    }
    for (const CanvasPoint& p : c.points) {
        out << " (" << p.x << ',' << p.y << ')';
    }
    out << " text";
    for (const wchar_t ch : c.text) {
        out << ' ' << static_cast<unsigned>(ch);
    }
    out << " brush " << c.brush.gradient << ' ' << c.brush.argb << ' ' << c.brush.argbTo << ' '
        << c.brush.from.x << ',' << c.brush.from.y << ' ' << c.brush.to.x << ',' << c.brush.to.y
        << " pen " << c.pen.argb << ' ' << c.pen.width << ' ' << c.pen.dash << " font "
        << c.font.sizePx << ' ' << c.font.style << " format " << c.format.horizontal
        << c.format.line << " path " << c.path.closed;
    for (const CanvasPoint& p : c.path.points) {
        out << " (" << p.x << ',' << p.y << ')';
    }
    return out.str();
}

Box reach(const CanvasCall& c) {
    switch (c.op) {
    case CanvasOp::FillRectangle:
    case CanvasOp::FillRectangleI:
    case CanvasOp::FillEllipse:
        return around(c.args[0], c.args[1], c.args[2], c.args[3], 1.0f);
    case CanvasOp::DrawRectangle:
    case CanvasOp::DrawEllipse:
    case CanvasOp::DrawArc:
        return around(c.args[0], c.args[1], c.args[2], c.args[3], 0.5f * c.pen.width + 1.0f);
    case CanvasOp::DrawLine:
    case CanvasOp::DrawLineI:
        return strokeBox({{c.args[0], c.args[1]}, {c.args[2], c.args[3]}}, c.pen.width);
    case CanvasOp::DrawLines:
        return strokeBox(c.points, c.pen.width);
    case CanvasOp::FillPath: {
        const Box b = pointsBox(c.path.points);
        return {b.left - 1.0f, b.top - 1.0f, b.right + 1.0f, b.bottom + 1.0f};
    }
    case CanvasOp::DrawString:
        return textBox(c);
    default:
        return {-INFINITY, -INFINITY, INFINITY, INFINITY};
    }
}

bool overlap(const Box& a, const Box& b) {
    // NaN edges compare false both ways, so a box that is not a number overlaps everything.
    return !(a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top);
}

std::string pictureDifference(const std::vector<CanvasCall>& directCalls,
                              const std::vector<CanvasCall>& layeredCalls) {
    const std::vector<CanvasCall> direct = drawingCalls(directCalls);
    const std::vector<CanvasCall> layered = drawingCalls(layeredCalls);
    // Identical calls pair up in their order of appearance.
    std::map<std::string, std::vector<std::size_t>> unmatched;
    for (std::size_t i = direct.size(); i-- > 0;) {
        unmatched[describe(direct[i])].push_back(i);
    }
    std::vector<std::size_t> directIndex;
    for (const CanvasCall& call : layered) {
        auto& candidates = unmatched[describe(call)];
        if (candidates.empty()) {
            return "only the layered picture draws " + describe(call);
        }
        directIndex.push_back(candidates.back());
        candidates.pop_back();
    }
    if (layered.size() != direct.size()) {
        return "the layered picture misses " + std::to_string(direct.size() - layered.size()) +
               " calls";
    }
    for (std::size_t i = 0; i < directIndex.size(); ++i) {
        for (std::size_t j = i + 1; j < directIndex.size(); ++j) {
            const CanvasCall& first = direct[directIndex[i]];
            const CanvasCall& second = direct[directIndex[j]];
            if (directIndex[i] > directIndex[j] && overlap(reach(first), reach(second))) {
                return "drawn in the other order over each other: " + describe(first) + "  /  " +
                       describe(second);
            }
        }
    }
    return {};
}

} // namespace painttest
