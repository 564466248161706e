// The live spectrum, each band's own response and the summed response. Curves are read
// off the stored filter coefficients, so they show what the audio path applies right now.
// They are traced once per paint before any drawing: the layer plan needs to know how far
// down they reach before the first pixel is drawn.
#include "editor/band_response.h"
#include "editor/editor_view.h"
#include "editor/layout.h"
#include "editor/paint_stages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

constexpr float kSpectrumPen = 1.0f;
constexpr float kBandPen = 1.2f;
constexpr float kSumGlowPen = 5.5f;
constexpr float kSumPen = 2.2f;

// Sampling positions x = 45, 45 + step, ... up to W - 45, framed by two base corners at
// `baseY` so one list serves both the closed fill path and the open outline between them.
struct CurveTrace {
    int step;
    float baseY;
};

// What the curves sample, worked out once per paint: the frequency under every pixel
// column of the graph, and each enabled band's response at the sum's columns (every other
// one), where the band curves (every third) also find half of theirs.
struct Columns {
    std::vector<double> hz;                           // x = 45 + index
    std::vector<std::vector<BandResponse>> responses; // [band][(x - 45) / 2]

    double frequency(int x) const { return hz[static_cast<std::size_t>(x - 45)]; }

    BandResponse response(const EditorView& v, std::size_t band, int x) const {
        const int offset = x - 45;
        if (offset % 2 == 0 && !responses[band].empty()) {
            return responses[band][static_cast<std::size_t>(offset / 2)];
        }
        return bandResponse(v.coeffs[band], frequency(x), v.sampleRate);
    }
};

// A band without coefficients (lists out of step) has no curve and no share of the sum.
std::size_t bandsWithCoefficients(const EditorView& v) {
    return std::min(v.bands.size(), v.coeffs.size());
}

Columns sampleColumns(const EditorView& v, int width) {
    Columns c;
    c.hz.reserve(static_cast<std::size_t>(std::max(width - 89, 0)));
    for (int x = 45; x <= width - 45; ++x) {
        c.hz.push_back(xToFrequency(static_cast<double>(x), width));
    }
    c.responses.resize(bandsWithCoefficients(v));
    for (std::size_t i = 0; i < c.responses.size(); ++i) {
        if (!v.bands[i].enabled) {
            continue;
        }
        c.responses[i].reserve(c.hz.size() / 2 + 1);
        for (int x = 45; x <= width - 45; x += 2) {
            c.responses[i].push_back(bandResponse(v.coeffs[i], c.frequency(x), v.sampleRate));
        }
    }
    return c;
}

template <class Level> TracedCurve trace(int width, CurveTrace t, Level&& level) {
    TracedCurve c;
    const int right = width - 45;
    const int samples = right >= 45 ? (right - 45) / t.step + 1 : 0;
    c.points.reserve(static_cast<std::size_t>(samples) + 2);
    c.points.push_back({kGraphLeft, t.baseY});
    for (int x = 45; x <= right; x += t.step) {
        c.points.push_back({static_cast<float>(x), level(x)});
    }
    c.points.push_back({graphRight(width), t.baseY});
    return c;
}

int spectrumBin(double frequency, double sampleRate, std::size_t binCount) {
    double bin = frequency / (0.5 * sampleRate) * 512.0;
    // Negative, NaN or oversized positions all land on a valid bin before the cast.
    if (!(bin >= 0.0)) {
        bin = 0.0;
    }
    const double last = static_cast<double>(binCount - 1);
    return static_cast<int>(bin > last ? last : bin);
}

TracedCurve traceSpectrum(const EditorView& v, const Columns& columns, int width) {
    return trace(width, {2, kGraphBottom}, [&](int x) {
        float level = -75.0f;
        if (!v.spectrumDb.empty()) {
            const double f = columns.frequency(x);
            level = v.spectrumDb[static_cast<std::size_t>(
                spectrumBin(f, v.sampleRate, std::min<std::size_t>(v.spectrumDb.size(), 513)))];
        }
        return clampToGraph(levelToY(level));
    });
}

TracedCurve traceBand(const EditorView& v, std::size_t i, const Columns& columns, int width) {
    TracedCurve c = trace(width, {3, kZeroDbY}, [&](int x) {
        const BandResponse r = columns.response(v, i, x);
        if (r.kind == ResponseKind::Silent) {
            return kGraphBottom;
        }
        return r.kind == ResponseKind::Level ? clampToGraph(gainToY(r.db)) : kZeroDbY;
    });
    c.colour = v.bands[i].colour;
    return c;
}

TracedCurve traceSum(const EditorView& v, const Columns& columns, int width) {
    return trace(width, {2, kZeroDbY}, [&](int x) {
        double sum = 0.0;
        for (std::size_t i = 0; i < columns.responses.size(); ++i) {
            if (!v.bands[i].enabled) {
                continue;
            }
            const BandResponse r = columns.response(v, i, x);
            sum += r.kind == ResponseKind::Level    ? r.db
                   : r.kind == ResponseKind::Silent ? -100.0
                                                    : 0.0;
        }
        return clampToGraph(gainToY(sum));
    });
}

// The closed fill area of a curve (released by the caller at the end of its step).
CanvasPath* buildArea(const TracedCurve& c) {
    CanvasPath* path = createPath(FillModeAlternate);
    pathAddLines(path, c.points.data(), static_cast<int>(c.points.size()));
    pathCloseFigure(path);
    return path;
}

void fillArea(PaintContext& p, CanvasPath* path, CanvasBrush* brush) {
    fillPath(p.canvas, brush, path);
    deleteBrush(brush);
}

// The outline is the sampled curve alone, without the two base corners.
void strokeWith(PaintContext& p, const TracedCurve& c, std::uint32_t argb, float width) {
    CanvasPen* pen = createPen(argb, width);
    const int count = static_cast<int>(c.points.size()) - 2;
    if (count > 0) {
        drawLines(p.canvas, pen, c.points.data() + 1, count);
    }
    deletePen(pen);
}

// How far a stroke of `width` can reach beyond its vertex `b` between `a` and `c`: half
// the width at an end or a gentle bend; at a sharp bend the mitre's tip, half the width
// over sin(half the bend's angle), which GDI+ bevels beyond its mitre limit of 10.
float joinReach(const CanvasPoint* a, CanvasPoint b, const CanvasPoint* c, float width) {
    constexpr float kMiterLimit = 10.0f;
    const float half = 0.5f * width;
    if (a == nullptr || c == nullptr) {
        return half;
    }
    const float ux = a->x - b.x, uy = a->y - b.y, vx = c->x - b.x, vy = c->y - b.y;
    const float lengths = std::sqrt((ux * ux + uy * uy) * (vx * vx + vy * vy));
    if (!(lengths > 0.0f)) {
        return kMiterLimit * half;
    }
    const float cosine = std::clamp((ux * vx + uy * vy) / lengths, -1.0f, 1.0f);
    const float sinHalf = std::sqrt(0.5f * (1.0f - cosine));
    return sinHalf * kMiterLimit <= 1.0f ? kMiterLimit * half : half / sinHalf;
}

// Lowest reach of a curve's outline stroked with `width` (0: its fill only).
float curveReach(const TracedCurve& c, float width) {
    float reach = -std::numeric_limits<float>::infinity();
    const std::size_t n = c.points.size();
    for (std::size_t i = 0; i < n; ++i) {
        const CanvasPoint& pt = c.points[i];
        if (!std::isfinite(pt.x) || !std::isfinite(pt.y)) {
            return std::numeric_limits<float>::infinity();
        }
        // The base corners close the fill and are not part of the outline.
        const bool outline = width > 0.0f && i > 0 && i + 1 < n;
        const CanvasPoint* before = i > 1 ? &c.points[i - 1] : nullptr;
        const CanvasPoint* after = i + 2 < n ? &c.points[i + 1] : nullptr;
        reach = std::max(reach, pt.y + (outline ? joinReach(before, pt, after, width) : 0.0f));
    }
    return reach;
}

} // namespace

GraphCurves traceGraphCurves(const EditorView& v, int width) {
    const Columns columns = sampleColumns(v, width);
    GraphCurves curves;
    curves.spectrum = traceSpectrum(v, columns, width);
    for (std::size_t i = 0; i < columns.responses.size(); ++i) {
        const Band& band = v.bands[i];
        // The threshold looks at the stored gain, not at the modulated coefficients.
        if (band.enabled && std::fabs(band.gain) >= 0.2) {
            curves.bands.push_back(traceBand(v, i, columns, width));
        }
    }
    curves.sum = traceSum(v, columns, width);
    return curves;
}

float curvesReach(const GraphCurves& curves) {
    float reach = std::max(curveReach(curves.spectrum, kSpectrumPen),
                           curveReach(curves.sum, std::max(kSumGlowPen, kSumPen)));
    for (const TracedCurve& band : curves.bands) {
        reach = std::max(reach, curveReach(band, kBandPen));
    }
    return reach;
}

void paintSpectrum(PaintContext& p) {
    const TracedCurve& c = p.curves->spectrum;
    CanvasPath* path = buildArea(c);
    fillArea(p, path, createLineBrushI(0, 52, 0, 425, 0x237887AF, 0x041E283C, WrapModeTile));
    strokeWith(p, c, 0x5AB9CDEB, kSpectrumPen);
    deletePath(path);
}

void paintBandCurves(PaintContext& p) {
    for (const TracedCurve& c : p.curves->bands) {
        CanvasPath* path = buildArea(c);
        fillArea(p, path, createSolidBrush(withAlpha(c.colour, 0x24)));
        strokeWith(p, c, withAlpha(c.colour, 0x82), kBandPen);
        deletePath(path);
    }
}

void paintSumCurve(PaintContext& p) {
    const TracedCurve& c = p.curves->sum;
    CanvasPath* path = buildArea(c);
    fillArea(p, path, createLineBrushI(0, 52, 0, 425, 0x28FFE65A, 0x04FACC15, WrapModeTile));
    strokeWith(p, c, 0x41FFE65A, kSumGlowPen); // glow under the line
    strokeWith(p, c, 0xFFFFF06E, kSumPen);
    deletePath(path);
}
