// Spectrum analyser: a 1024-point windowed FFT of the mono output, smoothed per bin in dB.
#include "dsp/engine.h"
#include "dsp/fast_math.h"
#include "dsp/real_fft.h"
#include "dsp/real_fft_wide.h"
#include "dsp/vector_path.h"

#include <cmath>
#include <limits>

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

// Fast rise, slow fall: transients show at once, the display settles calmly. Both
// candidates are computed and one is picked without a branch: whether a bin rises is a
// coin toss on programme material, and mispredicting it for half the bins cost more than
// the arithmetic.
void smoothInto(float* __restrict spectrumDb, const double* __restrict levels) noexcept {
    int k = 0;
#if TOLVANE_SSE2
    if (wideVectorsInUse()) {
        k = smoothWide(spectrumDb, levels, kSpectrumBins);
    }
    for (; k + 3 < kSpectrumBins; k += 4) {
        const __m128 fresh = _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(levels + k)),
                                           _mm_cvtpd_ps(_mm_loadu_pd(levels + k + 2)));
        const __m128 old = _mm_loadu_ps(spectrumDb + k);
        const __m128 rise =
            _mm_add_ps(_mm_mul_ps(old, _mm_set1_ps(0.35f)), _mm_mul_ps(fresh, _mm_set1_ps(0.65f)));
        const __m128 fall =
            _mm_add_ps(_mm_mul_ps(old, _mm_set1_ps(0.9f)), _mm_mul_ps(fresh, _mm_set1_ps(0.1f)));
        const __m128 rises = _mm_cmpgt_ps(fresh, old);
        _mm_storeu_ps(spectrumDb + k,
                      _mm_or_ps(_mm_and_ps(rises, rise), _mm_andnot_ps(rises, fall)));
    }
#endif
    for (; k < kSpectrumBins; ++k) {
        const auto fresh = static_cast<float>(levels[k]);
        const float old = spectrumDb[k];
        const float rise = old * 0.35f + fresh * 0.65f;
        const float fall = old * 0.9f + fresh * 0.1f;
        spectrumDb[k] = fresh > old ? rise : fall;
    }
}

// The ring through the window. A sample that is not finite counts as silence, so one bad
// sample cannot turn the whole transform into infinities and NaNs.
void windowInto(double* __restrict samples, const float* __restrict ring,
                const double* __restrict window) noexcept {
    int i = 0;
#if TOLVANE_SSE2
    if (wideVectorsInUse()) {
        i = windowWide(samples, ring, window, kAnalysisSize);
    }
    const __m128d largest = _mm_set1_pd(std::numeric_limits<double>::max());
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    for (; i + 1 < kAnalysisSize; i += 2) {
        const __m128d v =
            _mm_cvtps_pd(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(ring + i))));
        const __m128d finite = _mm_cmple_pd(_mm_and_pd(v, magnitude), largest);
        _mm_storeu_pd(samples + i, _mm_and_pd(finite, _mm_mul_pd(v, _mm_loadu_pd(window + i))));
    }
#endif
    for (; i < kAnalysisSize; ++i) {
        const double v = ring[i];
        samples[i] = std::fabs(v) <= std::numeric_limits<double>::max() ? v * window[i] : 0.0;
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
    if (inst.analysisRing.size() < static_cast<std::size_t>(kAnalysisSize) ||
        inst.hannWindow.size() < static_cast<std::size_t>(kAnalysisSize) ||
        inst.spectrumDb.size() < static_cast<std::size_t>(kSpectrumBins)) {
        return; // never happens either: the engine builds them with their sizes
    }
    windowInto(samples, inst.analysisRing.data(), inst.hannWindow.data());
    realFftPower(samples, work, power);
    levelsInPlace(power);
    smoothInto(inst.spectrumDb.data(), power);
    ++inst.analysisCount;
}
