// Real-time behaviour through the plug-in's own entry point, measured as ratios within
// one run so the machine's speed and load cancel out:
//   1. the CPU cost of a long silent tail against the music second before it, with the
//      host leaving the flush-to-zero modes off (as many hosts do);
//   2. the worst audio callback while an editing thread holds the instance lock for
//      20 ms at a time, against the worst callback with no editor at all.
// Each figure is also shown for the engine driven the old way (no flush modes; a blocking
// lock around the block) for comparison.
#include "dsp/denormals.h"
#include "host/entry.h"
#include "host/plugin_instance.h"
#include "tools/programme_signal.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr int kBlock = 512;

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void hostLeavesDenormalsOn() {
    setFloatModes(withoutFlushModes(floatModes()));
}

struct Plugin {
    Plugin() : effect(VSTPluginMain(nullptr)) {
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, float(kRate));
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    }
    ~Plugin() {
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        releaseRecord(effect);
    }
    PluginInstance& inst() const { return *static_cast<PluginInstance*>(effect->user); }
    AEffect* effect;
};

// Calls `block` once per 512 frames over `seconds` of the programme (or silence) from
// `frame` on; answers the thread's CPU seconds.
using BlockFn = std::function<void(float**, float**)>;
double run(const BlockFn& block, long& frame, double seconds, bool silent) {
    std::vector<float> in(2 * kBlock), out(2 * kBlock);
    float* inputs[2] = {in.data(), in.data() + kBlock};
    float* outputs[2] = {out.data(), out.data() + kBlock};
    const long blocks = static_cast<long>(seconds * kRate / kBlock);
    const double start = threadCpuSeconds();
    for (long b = 0; b < blocks; ++b, frame += kBlock) {
        if (!silent) {
            programme::render(static_cast<std::size_t>(frame), kBlock, kRate, inputs[0], inputs[1]);
        }
        block(inputs, outputs);
    }
    return threadCpuSeconds() - start;
}

// The silent tail's CPU per second over the music second's, the best of three tries.
double silenceRatio(const BlockFn& block) {
    double best = 1e9;
    for (int attempt = 0; attempt < 3; ++attempt) {
        long frame = 0;
        run(block, frame, 9.0, false); // the detector and analyser settle on the music
        const double music = run(block, frame, 1.0, false);
        const double silence = run(block, frame, 20.0, true) / 20.0;
        best = std::min(best, silence / music);
    }
    return best;
}

void reportSilence() {
    hostLeavesDenormalsOn();
    Plugin callback;
    const double throughCallback = silenceRatio([&](float** in, float** out) {
        callback.effect->processReplacing(callback.effect, in, out, kBlock);
    });
    auto engine = std::make_unique<Engine>();
    const double engineOnly = silenceRatio([&](float** in, float** out) {
        std::copy_n(in[0], kBlock, out[0]);
        std::copy_n(in[1], kBlock, out[1]);
        processBlock(*engine, out[0], out[1], kBlock);
    });
    std::printf("silent tail / music second, CPU per second (host without FTZ/DAZ):\n");
    std::printf("  audio callback          %.3f\n", throughCallback);
    std::printf("  engine without flushing %.3f\n", engineOnly);
}

// Worst wall time of one callback over `seconds` of back-to-back blocks, optionally with
// an editing thread that takes the lock for 20 ms every 50 ms.
double worstCallback(Plugin& p, bool editor, bool blockingLock) {
    std::atomic<bool> stop{false};
    std::thread editing;
    if (editor) {
        editing = std::thread([&] {
            while (!stop.load()) {
                {
                    std::lock_guard<std::mutex> held(p.inst().engine.lock);
                    Engine& edit = p.inst().engine.edit;
                    edit.bands[4].gain = edit.bands[4].gain > 3.0 ? 2.8 : 3.2;
                    rebuildFilters(edit);
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            }
        });
    }
    double worst = 0.0;
    long frame = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end) {
        run(
            [&](float** in, float** out) {
                const auto t0 = std::chrono::steady_clock::now();
                if (blockingLock) { // the old way: the block waited for the edit
                    std::copy_n(in[0], kBlock, out[0]);
                    std::copy_n(in[1], kBlock, out[1]);
                    std::lock_guard<std::mutex> held(p.inst().engine.lock);
                    processBlock(p.inst().engine.audio, out[0], out[1], kBlock);
                } else {
                    p.effect->processReplacing(p.effect, in, out, kBlock);
                }
                const std::chrono::duration<double> took = std::chrono::steady_clock::now() - t0;
                worst = std::max(worst, took.count());
            },
            frame, 0.1, false);
    }
    stop.store(true);
    if (editing.joinable()) {
        editing.join();
    }
    return worst;
}

void reportLockHold() {
    Plugin p;
    const double alone = worstCallback(p, false, false);
    const double withEditor = worstCallback(p, true, false);
    const double blocking = worstCallback(p, true, true);
    std::printf("worst callback, 512 frames (editing thread holds the lock 20 ms every 50 ms):\n");
    std::printf("  no editor               %.3f ms\n", alone * 1e3);
    std::printf("  with editor             %.3f ms  (%.2fx)\n", withEditor * 1e3,
                withEditor / alone);
    std::printf("  blocking lock, editor   %.3f ms  (%.2fx)\n", blocking * 1e3, blocking / alone);
}

} // namespace

int main() {
    reportSilence();
    reportLockHold();
    return 0;
}
