// Spectrum analyser: a 1024-point windowed FFT of the mono output, smoothed per bin in dB.
#include "tests/reference/reference_engine.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <utility>

namespace reference {

namespace {

using Complex = std::complex<double>;

void bitReverse(std::vector<Complex>& X) noexcept {
    int j = 0;
    for (int i = 1; i < kAnalysisSize; ++i) {
        int bit = kAnalysisSize >> 1;
        while ((j & bit) != 0) {
            j ^= bit;
            bit >>= 1;
        }
        j ^= bit;
        if (i < j) {
            std::swap(X[i], X[j]);
        }
    }
}

// Radix-2 decimation in time. The twiddle factor is carried forward by multiplication so
// the spectrum is reproducible across builds (no per-j sin/cos whose rounding may vary).
void butterflies(std::vector<Complex>& X) noexcept {
    for (int len = 2; len <= kAnalysisSize; len <<= 1) {
        const double angle = -6.283185307179586 / len;
        const Complex wLen(std::cos(angle), std::sin(angle));
        const int half = len / 2;
        for (int s = 0; s < kAnalysisSize; s += len) {
            Complex w(1.0, 0.0);
            for (int j = 0; j < half; ++j) {
                const Complex u = X[s + j];
                const Complex v = X[s + j + half] * w;
                X[s + j] = u + v;
                X[s + j + half] = u - v;
                w = w * wLen;
            }
        }
    }
}

// Fast rise, slow fall: transients show at once, the display settles calmly. A level that
// is not finite counts as silence: the slow fall would otherwise hold an infinite bin for
// good, and the gain mapping reads these bins.
void smoothInto(std::vector<float>& spectrumDb, const std::vector<Complex>& X) noexcept {
    for (int k = 0; k < kSpectrumBins; ++k) {
        const double mag = std::hypot(X[k].real(), X[k].imag());
        float fresh = -80.0f;
        if (mag > 1e-5) {
            const float level = static_cast<float>(20.0 * std::log10(2.0 * mag * 0.0009765625));
            fresh = std::isfinite(level) ? level : -80.0f;
        }
        const float old = spectrumDb[k];
        spectrumDb[k] = fresh > old ? old * 0.35f + fresh * 0.65f : old * 0.9f + fresh * 0.1f;
    }
}

} // namespace

// Audio thread, from processBlock when the ring is full. Works in
// the instance's preallocated fftScratch so that the audio thread never allocates.
void runAnalyser(Engine& inst) noexcept {
    std::vector<Complex>& X = inst.fftScratch;
    if (X.size() != static_cast<std::size_t>(kAnalysisSize)) {
        return; // never happens: the instance is built with its workspace
    }
    std::fill(X.begin(), X.end(), Complex(0.0, 0.0));
    for (int i = 0; i < kAnalysisSize; ++i) {
        // A sample that is not finite counts as silence, so one bad sample cannot turn the
        // whole transform into infinities and NaNs.
        const double v = inst.analysisRing[i];
        X[i] = Complex(std::isfinite(v) ? v * inst.hannWindow[i] : 0.0, 0.0);
    }
    bitReverse(X);
    butterflies(X);
    smoothInto(inst.spectrumDb, X);
    ++inst.analysisCount;
}

} // namespace reference
