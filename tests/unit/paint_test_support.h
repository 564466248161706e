// Paints an instance into the recording canvas and offers small queries over the log.
#pragma once

#include "editor/editor_window.h"
#include "editor/layout.h"
#include "host/plugin_instance.h"
#include "platform/recording_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace painttest {

inline std::unique_ptr<PluginInstance> makeInstance() {
    return std::make_unique<PluginInstance>(nullptr);
}

inline Band band(std::uint32_t type, double frequency, double gain, std::uint32_t colour,
                 bool enabled = true, double q = 1.0) {
    return Band{enabled, frequency, gain, q, type, colour, false};
}

// Installs a band list with filters designed straight from the stored gains, so curve
// tests do not depend on the programme-dependent gain mapping.
inline void setBands(PluginInstance& inst, const std::vector<Band>& bands) {
    inst.engine.edit.bands = bands;
    inst.engine.edit.filters.assign(bands.size(), BandFilter{});
    for (std::size_t i = 0; i < bands.size(); ++i) {
        const Band& b = bands[i];
        inst.engine.edit.filters[i].coeffs =
            designBiquad(b.type, b.frequency, b.gain, b.q, inst.engine.edit.sampleRate);
    }
}

struct Picture {
    Canvas* canvas;

    explicit Picture(PluginInstance& inst, int width = 920, int height = 580)
        : canvas(createRecordingCanvas()) {
        paintEditor(canvas, width, height, inst.editor);
    }
    ~Picture() { destroyRecordingCanvas(canvas); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    const std::vector<CanvasCall>& calls() const { return recordedCalls(canvas); }

    // Log indices of the calls of `op` that satisfy `match`.
    std::vector<std::size_t> where(CanvasOp op,
                                   const std::function<bool(const CanvasCall&)>& match) const {
        std::vector<std::size_t> out;
        for (std::size_t i = 0; i < calls().size(); ++i) {
            if (calls()[i].op == op && match(calls()[i])) {
                out.push_back(i);
            }
        }
        return out;
    }
    std::size_t count(CanvasOp op, const std::function<bool(const CanvasCall&)>& match) const {
        return where(op, match).size();
    }
    const CanvasCall& at(std::size_t i) const { return calls()[i]; }
};

inline bool near(float a, double b, double tol = 0.01) {
    return std::fabs(a - b) <= tol;
}

// A call whose first four arguments are the box (x, y, w, h).
inline bool isBox(const CanvasCall& c, double x, double y, double w, double h, double tol = 0.01) {
    return c.args.size() >= 4 && near(c.args[0], x, tol) && near(c.args[1], y, tol) &&
           near(c.args[2], w, tol) && near(c.args[3], h, tol);
}
inline bool hasSize(const CanvasCall& c, double w, double h) {
    return c.args.size() >= 4 && near(c.args[2], w) && near(c.args[3], h);
}

} // namespace painttest
