// processBlock throughput at 48 kHz on a music-like stereo signal (and, for the default
// bands, on the peer benchmark's pink noise too), in 512-frame host blocks. Reports the time
// per stereo frame and the real-time factor (seconds of audio processed per second of CPU
// time).
#include "bench/peer/signals.h"
#include "host/plugin_instance.h"
#include "tools/programme_signal.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr double kRate = 48000.0;
constexpr std::size_t kBlock = 512;
constexpr std::size_t kSignalFrames = 48000 * 4;

struct Programme {
    std::vector<float> left;
    std::vector<float> right;
};

Programme makeProgramme() {
    Programme p{std::vector<float>(kSignalFrames), std::vector<float>(kSignalFrames)};
    programme::render(0, kSignalFrames, kRate, p.left.data(), p.right.data());
    return p;
}

const Programme& programme() {
    static const Programme p = makeProgramme();
    return p;
}

// The peer benchmark's pink noise: -20 dBFS RMS per channel, from the same seed.
const Programme& pinkNoise() {
    static const Programme p = [] {
        peer::StereoSignal s = peer::makePinkNoise(kSignalFrames, -20.0, 0x70696E6B);
        return Programme{std::move(s.left), std::move(s.right)};
    }();
    return p;
}

void runBlocks(benchmark::State& state, PluginInstance& inst, const Programme& in = programme()) {
    std::vector<float> left(kBlock), right(kBlock);
    std::size_t pos = 0;
    for (auto _ : state) {
        // Like the host callback: copy the input block, then process in place.
        std::copy_n(in.left.begin() + static_cast<std::ptrdiff_t>(pos), kBlock, left.begin());
        std::copy_n(in.right.begin() + static_cast<std::ptrdiff_t>(pos), kBlock, right.begin());
        processBlock(inst.engine.edit, left.data(), right.data(),
                     static_cast<std::int32_t>(kBlock));
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        pos = (pos + kBlock) % (kSignalFrames - kBlock);
    }
    const double frames = static_cast<double>(state.iterations()) * kBlock;
    // Shown with an SI prefix: "151n" is 151 ns of CPU time per stereo frame.
    state.counters["time_per_frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["rt_factor"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}

void BM_DefaultBands(benchmark::State& state) {
    auto inst = std::make_unique<PluginInstance>(nullptr);
    runBlocks(state, *inst);
}

void BM_DefaultBandsPink(benchmark::State& state) {
    auto inst = std::make_unique<PluginInstance>(nullptr);
    runBlocks(state, *inst, pinkNoise());
}

void BM_TwentyFourBands(benchmark::State& state) {
    auto inst = std::make_unique<PluginInstance>(nullptr);
    for (int i = 0; inst->engine.edit.bands.size() < 24; ++i) {
        const double f = 40.0 * std::pow(1.33, i);
        inst->engine.edit.bands.push_back(
            Band{true, f, (i % 2 == 0 ? 2.5 : -2.0), 1.2, Bell, 0, i % 5 == 0});
    }
    rebuildFilters(inst->engine.edit);
    runBlocks(state, *inst);
}

void BM_CouplingOff(benchmark::State& state) {
    auto inst = std::make_unique<PluginInstance>(nullptr);
    setParam(inst->engine.edit, ParamCoupling, 0.0f);
    rebuildFilters(inst->engine.edit);
    runBlocks(state, *inst);
}

} // namespace

BENCHMARK(BM_DefaultBands);
BENCHMARK(BM_DefaultBandsPink);
BENCHMARK(BM_TwentyFourBands);
BENCHMARK(BM_CouplingOff);
BENCHMARK_MAIN();
