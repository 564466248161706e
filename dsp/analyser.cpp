// Spectrum analyser: a 1024-point windowed FFT of the mono output, smoothed per bin in dB.
#include "dsp/engine.h"
#include "dsp/fast_math.h"
#include "dsp/real_fft.h"
#include "dsp/real_fft_wide.h"
#include "dsp/vector_path.h"

#include <cmath>

namespace {

// 20 log10(2 / 1024): the level of a full-scale sine's bin, folded into the power's dB.
constexpr double kBinScaleDb = -54.18539921951662;

// Each bin's fresh level in dB, in place of its power. A level that is not finite counts
// as silence: the slow fall would otherwise hold an infinite bin for good, and the gain
// mapping reads these bins. The bins are independent, so this loop pipelines freely.
double levelOf(double power) noexcept {
    if (!(power > 1e-10)) { // magnitude at most 1e-5 (or not a number)
        return -80.0;
    }
    const float level = static_cast<float>(10.0 * log10Positive(power) + kBinScaleDb);
    return std::isfinite(level) ? level : -80.0;
}

void levelsInPlace(double* power) noexcept {
    int k = 0;
#if TOLVANE_SSE2
    if (wideVectorsInUse()) {
        k = levelsWide(power, kSpectrumBins, kBinScaleDb);
    }
    // Two bins at a time, branch-free: quiet bins go through the logarithm at the floor
    // and are replaced by -80 afterwards. Powers are finite (they come from finite
    // samples), so every level is too.
    for (; k + 1 < kSpectrumBins; k += 2) {
        const StereoPair p{_mm_loadu_pd(power + k)};
        const StereoPair level =
            splat(10.0) * log10PositivePair(maxOf(p, splat(1e-10))) + splat(kBinScaleDb);
        const StereoPair rounded{_mm_cvtps_pd(_mm_cvtpd_ps(level.v))}; // single precision
        _mm_storeu_pd(power + k, select(lessThan(splat(1e-10), p), rounded, splat(-80.0)).v);
    }
#endif
    for (; k < kSpectrumBins; ++k) {
        power[k] = levelOf(power[k]);
    }
}

// Fast rise, slow fall: transients show at once, the display settles calmly.
void smoothInto(std::vector<float>& spectrumDb, const double* levels) noexcept {
    for (int k = 0; k < kSpectrumBins; ++k) {
        const auto fresh = static_cast<float>(levels[k]);
        const float old = spectrumDb[k];
        const float rise = old * 0.35f + fresh * 0.65f;
        const float fall = old * 0.9f + fresh * 0.1f;
        spectrumDb[k] = fresh > old ? rise : fall;
    }
}

} // namespace

// Audio thread, from processBlock when the ring is full. Works in the engine's
// preallocated workspace so that the audio thread never allocates.
void runAnalyser(Engine& inst) noexcept {
    std::vector<double>& w = inst.fftScratch;
    if (w.size() != static_cast<std::size_t>(kAnalyserWorkspace)) {
        return; // never happens: the engine is built with its workspace
    }
    double* samples = w.data();
    double* work = samples + kAnalysisSize;
    double* power = work + 2 * kAnalysisSize;
    for (int i = 0; i < kAnalysisSize; ++i) {
        // A sample that is not finite counts as silence, so one bad sample cannot turn the
        // whole transform into infinities and NaNs.
        const double v = inst.analysisRing[i];
        samples[i] = std::isfinite(v) ? v * inst.hannWindow[i] : 0.0;
    }
    realFftPower(samples, work, power);
    levelsInPlace(power);
    smoothInto(inst.spectrumDb, power);
    ++inst.analysisCount;
}
