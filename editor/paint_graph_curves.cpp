// The live spectrum, each band's own response and the summed response. Curves are read
// off the stored filter coefficients, so they show what the audio path applies right now.
#include "editor/band_response.h"
#include "editor/editor_view.h"
#include "editor/layout.h"
#include "editor/paint_stages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// Sampling positions x = 45, 45 + step, ... up to W - 45, framed by two base corners at
// `baseY` so one buffer serves both the closed fill path and the open outline between them.
struct CurveBuffer {
    std::vector<CanvasPoint> points;
};

CurveBuffer startCurve(const PaintContext& p, int step, float baseY) {
    CurveBuffer c;
    const int right = p.width - 45;
    const int samples = right >= 45 ? (right - 45) / step + 1 : 0;
    c.points.reserve(static_cast<std::size_t>(samples) + 2);
    c.points.push_back({kGraphLeft, baseY});
    return c;
}

// Closes the area against the base line into a fill path (released by the caller at the
// end of its step).
CanvasPath* buildArea(const PaintContext& p, CurveBuffer& c, float baseY) {
    c.points.push_back({graphRight(p.width), baseY});
    CanvasPath* path = createPath(FillModeAlternate);
    pathAddLines(path, c.points.data(), static_cast<int>(c.points.size()));
    pathCloseFigure(path);
    return path;
}

// The outline is the sampled curve alone, without the two base corners.
void strokeOutline(PaintContext& p, const CurveBuffer& c, CanvasPen* pen) {
    const int count = static_cast<int>(c.points.size()) - 2;
    if (count > 0) {
        drawLines(p.canvas, pen, c.points.data() + 1, count);
    }
}

void fillArea(PaintContext& p, CanvasPath* path, CanvasBrush* brush) {
    fillPath(p.canvas, brush, path);
    deleteBrush(brush);
}

void strokeWith(PaintContext& p, const CurveBuffer& c, std::uint32_t argb, float width) {
    CanvasPen* pen = createPen(argb, width);
    strokeOutline(p, c, pen);
    deletePen(pen);
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

} // namespace

void paintSpectrum(PaintContext& p) {
    const EditorView& v = *p.view;
    CurveBuffer c = startCurve(p, 2, kGraphBottom);
    for (int x = 45; x <= p.width - 45; x += 2) {
        float level = -75.0f;
        if (!v.spectrumDb.empty()) {
            const double f = xToFrequency(static_cast<double>(x), p.width);
            level = v.spectrumDb[static_cast<std::size_t>(
                spectrumBin(f, v.sampleRate, std::min<std::size_t>(v.spectrumDb.size(), 513)))];
        }
        c.points.push_back({static_cast<float>(x), clampToGraph(levelToY(level))});
    }
    CanvasPath* path = buildArea(p, c, kGraphBottom);
    fillArea(p, path, createLineBrushI(0, 52, 0, 425, 0x237887AF, 0x041E283C, WrapModeTile));
    strokeWith(p, c, 0x5AB9CDEB, 1.0f);
    deletePath(path);
}

void paintBandCurves(PaintContext& p) {
    const EditorView& v = *p.view;
    for (std::size_t i = 0; i < v.bands.size() && i < v.coeffs.size(); ++i) {
        const Band& band = v.bands[i];
        // The threshold looks at the stored gain, not at the modulated coefficients.
        if (!band.enabled || !(std::fabs(band.gain) >= 0.2)) {
            continue;
        }
        CurveBuffer c = startCurve(p, 3, kZeroDbY);
        for (int x = 45; x <= p.width - 45; x += 3) {
            const BandResponse r = bandResponse(
                v.coeffs[i], xToFrequency(static_cast<double>(x), p.width), v.sampleRate);
            float y = kZeroDbY;
            if (r.kind == ResponseKind::Silent) {
                y = kGraphBottom;
            } else if (r.kind == ResponseKind::Level) {
                y = clampToGraph(gainToY(r.db));
            }
            c.points.push_back({static_cast<float>(x), y});
        }
        CanvasPath* path = buildArea(p, c, kZeroDbY);
        fillArea(p, path, createSolidBrush(withAlpha(band.colour, 0x24)));
        strokeWith(p, c, withAlpha(band.colour, 0x82), 1.2f);
        deletePath(path);
    }
}

void paintSumCurve(PaintContext& p) {
    const EditorView& v = *p.view;
    CurveBuffer c = startCurve(p, 2, kZeroDbY);
    for (int x = 45; x <= p.width - 45; x += 2) {
        const double f = xToFrequency(static_cast<double>(x), p.width);
        double sum = 0.0;
        // A band without coefficients (lists out of step) has no share of the sum.
        for (std::size_t i = 0; i < v.bands.size() && i < v.coeffs.size(); ++i) {
            if (!v.bands[i].enabled) {
                continue;
            }
            const BandResponse r = bandResponse(v.coeffs[i], f, v.sampleRate);
            sum += r.kind == ResponseKind::Level    ? r.db
                   : r.kind == ResponseKind::Silent ? -100.0
                                                    : 0.0;
        }
        c.points.push_back({static_cast<float>(x), clampToGraph(gainToY(sum))});
    }
    CanvasPath* path = buildArea(p, c, kZeroDbY);
    fillArea(p, path, createLineBrushI(0, 52, 0, 425, 0x28FFE65A, 0x04FACC15, WrapModeTile));
    strokeWith(p, c, 0x41FFE65A, 5.5f); // glow under the line
    strokeWith(p, c, 0xFFFFF06E, 2.2f);
    deletePath(path);
}
