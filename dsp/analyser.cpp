// Spectrum analyser: a 1024-point windowed FFT of the mono output, smoothed per bin in dB.
// The ring goes through the window (a sample that is not finite counts as silence, so one
// bad sample cannot turn the whole transform into infinities and NaNs), the transform, each
// bin's level in dB (a level that is not finite counts as silence too: the slow fall would
// otherwise hold an infinite bin for good, and the gain mapping reads these bins), and the
// smoothing: fast rise, slow fall, so transients show at once and the display settles
// calmly.
#include "dsp/engine.h"
#include "dsp/kernels.h"
#include "dsp/real_fft.h"

namespace {

// 20 log10(2 / 1024): the level of a full-scale sine's bin, folded into the power's dB.
constexpr double kBinScaleDb = -54.18539921951662;

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
    const Kernels& k = kernels();
    k.window(samples, inst.analysisRing.data(), inst.hannWindow.data(), kAnalysisSize);
    realFftPower(samples, work, power);
    k.levels(power, kSpectrumBins, kBinScaleDb);
    k.smooth(inst.spectrumDb.data(), power, kSpectrumBins);
    ++inst.analysisCount;
}
