// Cost of one editor picture: paintEditor against the recording canvas at 920 x 580 with
// the default bands and a spectrum shaped like programme material.
#include "editor/editor_window.h"
#include "host/plugin_instance.h"
#include "platform/recording_canvas.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

void shapeSpectrum(PluginInstance& inst) {
    for (int k = 0; k < kSpectrumBins; ++k) {
        const double octave = std::log2(1.0 + k);
        // A pink-ish slope with a few resonances, so the curve is not flat or clamped.
        inst.engine.edit.spectrumDb[static_cast<std::size_t>(k)] =
            static_cast<float>(-12.0 - 3.0 * octave + 6.0 * std::sin(0.37 * k));
    }
}

void BM_PaintEditor(benchmark::State& state) {
    PluginInstance inst(nullptr);
    shapeSpectrum(inst);
    inst.engine.peakL = 0.5f;
    inst.engine.peakR = 0.3f;
    std::size_t calls = 0;
    for (auto _ : state) {
        Canvas* canvas = createRecordingCanvas();
        paintEditor(canvas, 920, 580, inst.editor);
        calls = recordedCalls(canvas).size();
        destroyRecordingCanvas(canvas);
        inst.editor.animPhase += 0.04f;
    }
    state.counters["calls"] = static_cast<double>(calls);
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PaintEditor)->Unit(benchmark::kMicrosecond);

} // namespace

// The benchmark executable's main comes from bench_process.cpp (one per executable).
