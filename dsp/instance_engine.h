// The engine side of one plug-in instance: the engine the editing threads work on, the
// audio thread's own engine, the handoff between them and the output meters.
//
// Threads. The host's audio thread runs the audio callback; the UI and host threads edit
// bands, parameters and the sample rate. The audio thread never waits for them:
// - `edit` is the editing side. Every edit takes `lock`, changes it and calls
//   rebuildFilters; the editor copies what it paints under the same lock.
// - `audio` is the engine the audio thread processes. Only the audio thread touches it.
//   At the start of each block it tries `lock`: when it gets it, it adopts the edits made
//   since the last time (bands, designed coefficients, rate, parameters) and publishes
//   back what the editor shows (the coefficients it really uses, the latest whole
//   spectrum); when the lock is busy it simply processes with what it has and picks the
//   edit up at the next block. An edit made while the editing side's spectrum lacked an
//   analysis still coming in is designed again at its adoption (engine_exchange.cpp).
// - Values read across threads outside the lock are relaxed atomics: the parameters (in
//   `edit`) and the peak meters.
#pragma once

#include "dsp/engine.h"

#include <atomic>
#include <cstdint>
#include <mutex>

struct InstanceEngine {
    InstanceEngine();
    InstanceEngine(const InstanceEngine&) = delete;
    InstanceEngine& operator=(const InstanceEngine&) = delete;

    Engine edit;
    std::mutex lock; // guards `edit` and the handoff counters below

    // The audio thread's engine and what it has taken over from the editing side.
    Engine audio;
    std::uint64_t adoptedRebuilds = 0;
    std::uint64_t publishedAnalyses = 0;
    // At the last exchange, the analysis of a ring filled before it was still coming in:
    // the editing side's spectrum lacks it, and so do the edits made since.
    bool editSpectrumBehind = false;

    // Output peaks of the last block, written by the audio thread for the meters.
    std::atomic<float> peakL{0.0f};
    std::atomic<float> peakR{0.0f};
};

// Audio thread, with engine.lock held: takes over the edits made since the last call
// (designed again first if the editing side's spectrum was behind) and publishes the
// coefficients and the whole spectra the audio engine is using.
void exchangeWithAudio(InstanceEngine& engine) noexcept;
