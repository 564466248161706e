// The per-instance state of the plug-in: parameters, band list, filters, detector,
// modulation, analyser, meters and the editor's interaction state.
//
// Threads: the host's audio thread runs processBlock while the UI and host threads edit
// bands, parameters and the sample rate. `lock` guards bands, filters, the modulation
// arrays, the detector, the analyser buffers and sampleRate: the audio callback holds it
// for one block, every edit holds it for the change and its rebuildFilters, and the editor
// copies what it paints under it. The engine functions below never lock themselves; their
// callers do. Values read across threads outside the lock are relaxed atomics.
#pragma once

#include "dsp/band.h"
#include "host/vst_abi.h"

#include <array>
#include <atomic>
#include <bitset>
#include <complex>
#include <cstdint>
#include <mutex>
#include <vector>

using WindowHandle = void*; // opaque platform window handle

constexpr int kNumParams = 5;
constexpr int kMaxModulatedBands = 24;
constexpr int kAnalysisSize = 1024;
constexpr int kSpectrumBins = 513;

enum ParamIndex : int {
    ParamOutputTrim = 0,
    ParamCoupling = 1,
    ParamSieve = 2,
    ParamLimiter = 3,
    ParamBypass = 4,
};

struct PluginInstance {
    explicit PluginInstance(HostCallback callback);
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    AEffect* effect = nullptr;
    HostCallback hostCallback = nullptr;
    double sampleRate = 48000.0;
    std::int32_t blockSize = 512;
    std::array<std::atomic<float>, kNumParams> params{};
    std::vector<Band> bands;
    std::vector<BandFilter> filters;
    std::int32_t selectedBand = 4;
    std::int32_t presetIndex = 0;
    std::vector<float> analysisRing;
    std::int32_t analysisPos = 0;
    std::vector<float> spectrumDb;
    std::vector<double> hannWindow;
    std::bitset<kSpectrumBins> primeBins;
    double envRate = 48000.0;
    double envLevel = 0.0;
    double midDrive = 0.0;
    double lowDrive = 0.0;
    double highDrive = 0.0;
    double peakHold = 0.001;
    double fastLevel = 0.0;
    double transientScale = 0.02;
    double transientHeld = 0.0;
    std::array<double, 4> levelHistory{};
    double peakHoldDecay = 0.0;
    double envAttackCoef = 0.0;
    double envReleaseCoef = 0.0;
    double fastCoef = 0.0;
    double transientScaleDecay = 0.0;
    double highDriveCoef = 0.0;
    std::int32_t decimation = 96;
    std::int32_t decimationCounter = 0;
    std::vector<double> modDrive;
    std::vector<double> lastModulation;
    std::int32_t modCounter = 0;
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

    // The analyser's transform workspace lives with the instance so the audio thread
    // never allocates (an allocator lock there can stall the host and drop audio).
    std::vector<std::complex<double>> fftScratch;

    std::mutex lock;
};

// Load a parameter value (any thread).
inline float param(const PluginInstance& inst, int index) {
    return inst.params[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
}
inline void setParam(PluginInstance& inst, int index, float value) {
    inst.params[static_cast<std::size_t>(index)].store(value, std::memory_order_relaxed);
}

// Caller holds inst.lock (or owns the instance exclusively).
void setSampleRate(PluginInstance& inst, float rate);
void rebuildFilters(PluginInstance& inst);
double effectiveGain(const PluginInstance& inst, double frequency, double gain);
void processBlock(PluginInstance& inst, float* left, float* right, std::int32_t count) noexcept;
void updateModulation(PluginInstance& inst) noexcept;
void runAnalyser(PluginInstance& inst) noexcept;

// Pure coefficient design; reads no instance state.
BiquadCoefficients designBiquad(std::uint32_t type, double frequency, double gain, double q,
                                double sampleRate) noexcept;
