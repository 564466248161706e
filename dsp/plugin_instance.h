// The per-instance state of the plug-in: the engine the editing threads work on, the
// audio thread's own engine, the meters and the editor's interaction state.
//
// Threads. The host's audio thread runs the audio callback; the UI and host threads edit
// bands, parameters and the sample rate. The audio thread never waits for them:
// - The instance's own engine fields (bands, filters, sampleRate, the spectrum it
//   publishes) are the editing side. Every edit takes `lock`, changes them and calls
//   rebuildFilters; the editor copies what it paints under the same lock.
// - `audio` is the engine the audio thread processes. Only the audio thread touches it.
//   At the start of each block it tries `lock`: when it gets it, it adopts the edits
//   made since the last time (bands, designed coefficients, rate, parameters) and
//   publishes back what the editor shows (the coefficients it really uses, the
//   spectrum); when the lock is busy it simply processes with what it has and picks the
//   edit up at the next block.
// - Values read across threads outside the lock are relaxed atomics: params, the peak
//   meters and editorWindow.
#pragma once

#include "dsp/engine.h"
#include "host/vst_abi.h"

#include <atomic>
#include <cstdint>
#include <mutex>

using WindowHandle = void*; // opaque platform window handle

struct PluginInstance : Engine {
    explicit PluginInstance(HostCallback callback);

    AEffect* effect = nullptr;
    HostCallback hostCallback = nullptr;
    std::int32_t blockSize = 512;
    std::int32_t selectedBand = 4;
    std::int32_t presetIndex = 0;
    std::atomic<float> peakL{0.0f};
    std::atomic<float> peakR{0.0f};
    float animPhase = 0.0f;
    std::atomic<WindowHandle> editorWindow{nullptr};
    WindowHandle parentWindow = nullptr;
    ERect editorRect{0, 0, 580, 920};
    std::int32_t dragBand = -1;
    std::int32_t dragKnob = -1;
    std::int32_t knobDragStartY = 0;
    float knobDragStartValue = 0.0f;
    std::uint32_t lastClickTime = 0;
    std::int32_t lastClickX = 0;
    std::int32_t lastClickY = 0;

    std::mutex lock; // guards the editing side's engine fields and the handoff below

    // The audio thread's engine and what it has taken over from the editing side.
    Engine audio;
    std::uint64_t adoptedRebuilds = 0;
    std::uint64_t publishedAnalyses = 0;
};

// Audio thread, with inst.lock held: takes over the edits made since the last call and
// publishes the coefficients and the spectrum the audio engine is using.
void exchangeWithAudio(PluginInstance& inst) noexcept;
