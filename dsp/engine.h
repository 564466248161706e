// The audio engine's state: parameters, band list, filters, detector, modulation and
// analyser. The engine functions below work on one Engine and never lock: whoever calls
// them owns it for the duration (see instance_engine.h for who that is).
#pragma once

#include "dsp/band.h"

#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <limits>
#include <vector>

constexpr int kNumParams = 5;
constexpr int kMaxModulatedBands = 24;
constexpr int kAnalysisSize = 1024;
constexpr int kSpectrumBins = 513;
constexpr int kAnalyserWorkspace = kAnalysisSize * 3 + kSpectrumBins;

enum ParamIndex : int {
    ParamOutputTrim = 0,
    ParamCoupling = 1,
    ParamSieve = 2,
    ParamLimiter = 3,
    ParamBypass = 4,
};

// The bands' spectral weights for the modulation, each for the frequency it was worked out
// at (NaN: not yet). One array per weight, so the tick steps two bands at a time.
struct SpectralWeights {
    using PerBand = std::array<double, kMaxModulatedBands>;
    static constexpr PerBand unknown() {
        PerBand all{};
        all.fill(std::numeric_limits<double>::quiet_NaN());
        return all;
    }
    PerBand frequency = unknown();
    PerBand low{}, high{}, mid{};
};

// What a band's design and its gain mapping need of its frequency alone, at one sample
// rate (NaN: not yet worked out). Kept per band by the modulation, which redesigns bands
// many times a second at a frequency that rarely moves.
struct FrequencyTerms {
    double frequency = std::numeric_limits<double>::quiet_NaN();
    double sampleRate = std::numeric_limits<double>::quiet_NaN();
    bool designable = false; // the band's angle is one a stable filter can have
    double sn = 0.0, cs = 0.0;
    double P = 0.0, w = 0.0, wSixth = 0.0, wCubed = 0.0;
    double sieveWave = 0.0, F = 0.0, V = 0.0, binWeight = 0.0;
    std::int32_t bin = 0;
};

// What a band's plain mapped gain (its gain through the mapping, unmodulated) is worked out
// from. The modulation redesigns a band many times between two analyses, and this half of
// each redesign only changes when one of these does. Compared bit for bit, so a NaN input
// still matches itself.
struct PlainGainInputs {
    double frequency = std::numeric_limits<double>::quiet_NaN();
    double sampleRate = 0.0;
    double gain = 0.0;
    float coupling = 0.0f, sieve = 0.0f, limiter = 0.0f;
    std::array<float, 5> spectrum{}; // the bins around the band's, as the mapping reads them
};

// A band's plain mapped gain and the inputs it was worked out from. The mapping's spectral
// term depends on the spectrum around the band alone, so it is kept with it for the
// modulated half.
struct PlainGain {
    PlainGainInputs inputs;
    double value = 0.0;
    double spectral = 0.0; // spectralTerm of the spectrum above
};

// The level and transient detector's running values (detector.h steps them). Its drives
// steer the per-band modulation; the two derived from the envelope are only read there, so
// they are worked out at the tick rather than on every sample. The audio path holds these
// in locals for a whole run of samples (registers, not the engine's memory) and stores
// them back at its end.
struct DetectorState {
    double peakHold = 0.001, envLevel = 0.0, fastLevel = 0.0; // the level detector
    double transientScale = 0.02, transientHeld = 0.0;        // the transient detector
    double highDrive = 0.0;
    std::array<double, 4> levelHistory{};
    std::int32_t decimationCounter = 0;

    // Value by value: the padding after the counter is whatever a copy left there.
    bool operator==(const DetectorState&) const = default;
};

// The detector's constants at the engine's rate, with the envelope's two complements
// worked out once rather than on every sample.
struct DetectorTerms {
    double peakHoldDecay = 0.0;
    double attack = 0.0, keepAttack = 1.0, release = 0.0, keepRelease = 1.0;
    double fastCoef = 0.0, transientScaleDecay = 0.0, highDriveCoef = 0.0;
    std::int32_t decimation = 96; // samples between two steps of the transient detector
};

// An analysis whose ring has filled but whose spectrum is not all in yet (analyser.cpp):
// the transform's parts and the bins' levels follow the fill over the next few hundred
// samples, each bin the modulation reads before its tick reads it.
constexpr int kSpectrumChunk = 8; // bins per step of levels and smoothing
constexpr int kSpectrumChunks = (kSpectrumBins + kSpectrumChunk - 1) / kSpectrumChunk;
struct AnalysisProgress {
    bool pending = false;          // a filled ring's spectrum is still coming in
    std::int32_t sinceFill = 0;    // samples fed since that ring filled
    std::int32_t fftPartsDone = 0; // of kFftParts
    std::bitset<kSpectrumChunks> chunksDone;
    std::bitset<kSpectrumChunks - 1> splitDone; // the transform's split pass, by chunk
    std::int32_t chunksLeft = 0;
    std::int32_t slicesDone = 0;      // of the levels' slices, in order (analyser.cpp)
    std::int32_t firstGroupsDone = 0; // of the filling ring's transform (real_fft.h)
};

struct Engine {
    Engine(); // default parameters, the factory band list 0, designed at 48 kHz
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    double sampleRate = 48000.0;
    std::array<std::atomic<float>, kNumParams> params{};
    std::vector<Band> bands;
    std::vector<BandFilter> filters;
    std::vector<float> analysisRing;
    std::int32_t analysisPos = 0;
    std::vector<float> spectrumDb;
    std::vector<double> hannWindow;
    std::bitset<kSpectrumBins> primeBins;
    double envRate = 48000.0;
    DetectorState detector;
    // The two drives derived from the envelope, worked out at the modulation tick.
    double midDrive = 0.0;
    double lowDrive = 0.0;
    DetectorTerms detectorTerms;
    std::vector<double> modDrive;
    std::vector<double> lastModulation;
    std::int32_t modCounter = 0;
    SpectralWeights modWeights;
    std::array<FrequencyTerms, kMaxModulatedBands> modTerms{};
    std::array<PlainGain, kMaxModulatedBands> modPlainGains{};

    // The analyser's transform workspace (windowed samples, transform scratch, bin powers)
    // lives with the engine so the audio thread never allocates (an allocator lock there
    // can stall the host and drop audio).
    std::vector<double> fftScratch;
    AnalysisProgress analysis;

    // The output trim's gain and the parameter value it was worked out from (NaN: not yet).
    float trimParam = std::numeric_limits<float>::quiet_NaN();
    float trimGain = 1.0f;

    // Counters that let a copy of the engine tell what changed since it last looked.
    std::uint64_t rebuildCount = 0;  // every rebuildFilters (band, parameter or rate edit)
    std::uint64_t analysisCount = 0; // every spectrum completed
};

// Load or store a parameter value (any thread).
inline float param(const Engine& engine, int index) {
    return engine.params[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
}
inline void setParam(Engine& engine, int index, float value) {
    engine.params[static_cast<std::size_t>(index)].store(value, std::memory_order_relaxed);
}

// The caller owns the engine for the call.
void setSampleRate(Engine& engine, float rate);
void rebuildFilters(Engine& engine);
double effectiveGain(const Engine& engine, double frequency, double gain);
double effectiveGain(const Engine& engine, const FrequencyTerms& terms, double gain);
// The mapping's two halves: the spectral term, which reads the spectrum around the band's
// analyser bin, and the rest. effectiveGain is the second given the first; a caller that
// keeps the first while the spectrum stands gets the same bits.
double spectralTerm(const Engine& engine, std::int32_t bin);
double effectiveGain(const Engine& engine, const FrequencyTerms& terms, double gain,
                     double spectral);
void processBlock(Engine& engine, float* left, float* right, std::int32_t count) noexcept;
// Everything the audio path carries from one block to the next (filter states, detector,
// modulation, analyser ring and spectrum) back to the values of `fresh`, an engine as
// constructed; bands, parameters and the rate stay. Never allocates: vectors are copied
// within the sizes they have.
void resetRunningState(Engine& engine, const Engine& fresh) noexcept;
// Steps every band's modulation; true if it redesigned a band (only then has a cascade
// loaded from the filters new coefficients to take).
bool updateModulation(Engine& engine) noexcept;
// The analyser (analyser.cpp). The audio path windows samples as they reach the ring (and
// runs the transform's first stages of the groups they complete), starts an analysis when it fills
// and advances it with the samples that follow; before a band's redesign, every bin it reads is
// in. finishAnalysis completes a pending analysis at once (anything that reads the whole
// spectrum calls it first). runAnalyser is the whole analysis of the ring in one go: what the
// spread one gives, bit for bit.
void ringArrived(Engine& engine, std::int32_t from, std::int32_t count) noexcept;
void startAnalysis(Engine& engine) noexcept;
void advanceAnalysis(Engine& engine, std::int32_t samples) noexcept;
void analysisAround(Engine& engine, std::int32_t bin) noexcept;
void finishAnalysis(Engine& engine) noexcept;
void runAnalyser(Engine& engine) noexcept;

// Pure coefficient design; reads no engine state. A band that cannot be realised as a
// stable filter at this rate (at or above Nyquist, or so far below it that its poles sit
// on z = 1) gets the pass-through coefficients.
BiquadCoefficients designBiquad(std::uint32_t type, double frequency, double gain, double q,
                                double sampleRate) noexcept;
// The same from a band's frequency terms: bit for bit what the form above answers.
FrequencyTerms frequencyTerms(double frequency, double sampleRate) noexcept;
BiquadCoefficients designBiquad(std::uint32_t type, const FrequencyTerms& terms, double gain,
                                double q) noexcept;
