// Construction of the engine and of an instance's engine side, the sample-rate change and
// the filter rebuild.
#include "dsp/instance_engine.h"

#include "dsp/factory_bands.h"
#include "dsp/real_fft.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kDefaultSampleRate = 48000.0;
constexpr double kMinEnvRate = 8000.0;
// The editor keeps between 1 and 24 bands; reserving them up front keeps band edits and
// the audio thread's resync free of reallocation in normal use.
constexpr std::size_t kReservedBands = 24;

// Detector time constants follow envRate, which never drops below 8 kHz so that the
// envelopes keep a usable resolution at very low host rates.
void deriveDetectorCoefficients(Engine& inst) {
    const double r = inst.envRate;
    DetectorTerms& k = inst.detectorTerms;
    k.peakHoldDecay = std::exp(-1.0 / (1.5 * r));
    k.attack = std::exp(-1.0 / (0.001 * r));
    k.keepAttack = 1.0 - k.attack;
    k.release = std::exp(-1.0 / (0.06 * r));
    k.keepRelease = 1.0 - k.release;
    k.fastCoef = 1.0 - std::exp(-1.0 / (0.005 * r));
    k.transientScaleDecay = std::exp(-1.0 / (0.5 * r));
    k.highDriveCoef = 1.0 - std::exp(-1.0 / (0.004 * r));
    // Saturate before converting: an absurd (or infinite) host rate must not overflow.
    const double samples = std::trunc(0.002 * r);
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    k.decimation = samples < 1.0 ? 1 : (samples > kMax ? INT32_MAX : std::int32_t(samples));
}

void buildPrimeBins(Engine& inst) {
    inst.primeBins.set();
    inst.primeBins.reset(0);
    inst.primeBins.reset(1);
    for (std::size_t p = 2; p * p < kSpectrumBins; ++p) {
        if (inst.primeBins.test(p)) {
            for (std::size_t m = p * p; m < kSpectrumBins; m += p) {
                inst.primeBins.reset(m);
            }
        }
    }
}

void buildAnalyserTables(Engine& inst) {
    inst.hannWindow.resize(kAnalysisSize);
    for (int i = 0; i < kAnalysisSize; ++i) {
        // Divisor 1023: the window is symmetric over the 1024 samples it covers.
        inst.hannWindow[i] = 0.5 * (1.0 - std::cos(6.283185307179586 * i / 1023.0));
    }
    inst.analysisRing.assign(kAnalysisSize, 0.0f);
    inst.spectrumDb.assign(kSpectrumBins, -80.0f);
    inst.fftScratch.assign(kAnalyserWorkspace, 0.0);
    prepareRealFft();
}

} // namespace

// Any thread, before the engine is shared. Throws std::bad_alloc if an array cannot be
// allocated; the arrays built so far are released by their own destructors.
Engine::Engine() {
    envRate = sampleRate > kMinEnvRate ? sampleRate : kMinEnvRate;
    deriveDetectorCoefficients(*this);
    modDrive.assign(kMaxModulatedBands, 0.0);
    lastModulation.assign(kMaxModulatedBands, 1.0);
    buildPrimeBins(*this);
    buildAnalyserTables(*this);
    const float defaults[kNumParams] = {0.5f, 0.85f, 0.9f, 0.92f, 0.0f};
    for (int i = 0; i < kNumParams; ++i) {
        setParam(*this, i, defaults[i]);
    }
    bands.reserve(kReservedBands);
    filters.reserve(kReservedBands);
    const FactoryBandList& start = factoryBandList(0);
    bands.assign(start.bands.begin(), start.bands.end());
    rebuildFilters(*this);
}

// The editing side and the audio engine start out identical, so nothing needs handing
// over before the first edit.
InstanceEngine::InstanceEngine()
    : adoptedRebuilds(edit.rebuildCount), publishedAnalyses(audio.analysisCount) {}

// Owner of the engine (the host thread with inst.lock for the editing side). Filter states,
// detector state, counters and the analyser deliberately carry on across the change.
void setSampleRate(Engine& inst, float rate) {
    // Zero, negative, NaN or infinite: a broken host's rate counts as no rate at all.
    if (rate > 0.0f && std::isfinite(rate)) {
        inst.sampleRate = rate;
        inst.envRate = rate > 8000.0f ? static_cast<double>(rate) : kMinEnvRate;
    } else {
        inst.sampleRate = kDefaultSampleRate;
        inst.envRate = kDefaultSampleRate;
    }
    deriveDetectorCoefficients(inst);
    rebuildFilters(inst);
}

// Owner of the engine. Replaces coefficients only: running filter states
// survive so that edits do not click. The gain mapping reads the spectrum at every band's
// bin, so an analysis still coming in is finished first.
void rebuildFilters(Engine& inst) {
    finishAnalysis(inst);
    ++inst.rebuildCount;
    const std::size_t n = inst.bands.size();
    inst.filters.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Band& b = inst.bands[i];
        const double g = effectiveGain(inst, b.frequency, b.gain);
        inst.filters[i].coeffs = designBiquad(b.type, b.frequency, g, b.q, inst.sampleRate);
        if (i < inst.lastModulation.size()) {
            inst.lastModulation[i] = -1.0; // the next modulation update redesigns it
        }
    }
}
