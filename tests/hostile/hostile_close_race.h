// A host that closes an instance from one thread while its audio thread is still inside a
// block. The close must not crash (nor, natively, touch freed memory), and every block
// after it must leave the host's buffers alone.
#pragma once

#include "tests/hostile/hostile_threads.h"

#include <atomic>
#include <chrono>

namespace hostile {

constexpr int kRaceRounds = 25;
constexpr std::size_t kRaceBlock = 4096; // long blocks: the close lands inside one more often
constexpr int kBlocksBeforeClose = 3;
constexpr int kBlocksAfterClose = 3;
constexpr auto kRaceDeadline = std::chrono::seconds(60);

struct RaceState {
    std::atomic<int> blocks{0};
    std::atomic<bool> closed{false};
    std::atomic<bool> stop{false};
};

// The audio thread: blocks back to back through both audio slots; once the close has
// returned, a few more, each of which must leave the sentinel in the outputs.
inline void audioThread(AEffect* e, Stereo in, RaceState& state, ThreadReport& report) {
    constexpr float kSentinel = -3.0f;
    Stereo out(kRaceBlock);
    float* inputs[2] = {in.left.data(), in.right.data()};
    float* outputs[2] = {out.left.data(), out.right.data()};
    for (int after = 0; after < kBlocksAfterClose && !state.stop.load();) {
        const bool closed = state.closed.load();
        std::fill(out.left.begin(), out.left.end(), kSentinel);
        std::fill(out.right.begin(), out.right.end(), kSentinel);
        const ProcessProc slot = state.blocks.load() % 2 == 0 || e->process == nullptr
                                     ? e->processReplacing
                                     : e->process;
        slot(e, inputs, outputs, static_cast<std::int32_t>(kRaceBlock));
        if (closed) {
            ++after;
            report.expect(holds(out, kSentinel), "a block after the close wrote to the outputs");
        }
        state.blocks.fetch_add(1);
    }
}

inline bool waitForBlocks(const RaceState& state, int count) {
    const auto deadline = std::chrono::steady_clock::now() + kRaceDeadline;
    while (state.blocks.load() < count) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline void raceOnce(const Harness& h, const Stereo& in, ThreadReport& report) {
    Plugin p(h);
    report.expect(p.ok(), "no instance");
    if (!p.ok()) {
        return;
    }
    RaceState state;
    ThreadReport audioReport;
    std::thread audio(audioThread, p.effect(), in, std::ref(state), std::ref(audioReport));
    const bool started = waitForBlocks(state, kBlocksBeforeClose);
    p.close();
    state.closed.store(true);
    state.stop.store(!started);
    audio.join();
    report.expect(started, "the audio thread did not get through its first blocks in 60 s");
    report.merge(audioReport);
    expectInertAfterClose(p.effect(), report);
}

inline void checkCloseWhileProcessing(const Harness& h) {
    const Stereo in = music(kRaceBlock);
    ThreadReport report;
    for (int round = 0; round < kRaceRounds; ++round) {
        raceOnce(h, in, report);
    }
    h.expect(report.failures == 0, "close race",
             std::to_string(report.failures) + " failure(s), first: " + report.first);
}

} // namespace hostile
