#include "dsp/generic/generic.h"

#include "dsp/fast_math.h"
#include "dsp/formulas.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace generic {

namespace {

// Up to this many stages, one sample's way through the whole cascade fits the processor's
// window of work in flight, and it overlaps the next samples' on its own.
constexpr std::size_t kLongCascade = 10;

// Longer cascades go stage by stage in a wavefront: stage s of every step t works on
// sample t - s, so the stages of one step are independent of each other and overlap.
// Each stage still takes the samples in order with the same operations, so the outputs
// and states are the plain loop's bits. `y` holds each sample's input to the stage it is
// at.
void wavefront(Cascade& cascade, const DetectorTerms& terms, DetectorState& detector,
               std::int32_t detectFrom, const float* left, const float* right, StereoPair* y,
               std::int32_t count) noexcept {
    const auto stages = static_cast<std::int32_t>(cascade.count);
    for (std::int32_t t = 0; t < count + stages - 1; ++t) {
        if (t < count && t >= detectFrom) {
            stepDetector(terms, detector, detectorInput(left[t], right[t]));
        }
        const std::int32_t first = std::max(0, t - count + 1);
        const std::int32_t last = std::min(stages - 1, t);
        for (std::int32_t s = first; s <= last; ++s) {
            CascadeStage& k = cascade.stages[static_cast<std::size_t>(s)];
            y[t - s] = advanceStage({k.b0, k.b1, k.b2, k.a1, k.a2}, y[t - s], k.s1, k.s2);
        }
    }
}

std::int32_t longCascadeRun(Cascade& cascade, const DetectorTerms& terms, DetectorState& detector,
                            std::int32_t detectFrom, const float* left, const float* right,
                            StereoPair* y, std::int32_t count, double saneLimit) noexcept {
    std::int32_t sane = 0;
    for (; sane < count; ++sane) {
        const StereoPair x = pairOf(left[sane], right[sane]);
        if (!bothWithin(x, saneLimit)) {
            break;
        }
        y[sane] = x;
    }
    wavefront(cascade, terms, detector, detectFrom, left, right, y, sane);
    return sane;
}

} // namespace

std::int32_t cascadeRun(Cascade& cascade, const DetectorTerms& terms, DetectorState& detector,
                        std::int32_t detectFrom, const float* left, const float* right,
                        StereoPair* y, std::int32_t count, double saneLimit) noexcept {
    if (cascade.count > kLongCascade) {
        return longCascadeRun(cascade, terms, detector, detectFrom, left, right, y, count,
                              saneLimit);
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const StereoPair x = pairOf(left[i], right[i]);
        if (!bothWithin(x, saneLimit)) {
            return i;
        }
        if (i >= detectFrom) {
            stepDetector(terms, detector, detectorInput(left[i], right[i]));
        }
        y[i] = runCascade(cascade, x);
    }
    return count;
}

// No skewed cascade here: the plain loop takes every cascade.
bool startSkewed(SkewedCascade& pipe, const Cascade&) noexcept {
    pipe.stages = 0;
    return false;
}
std::int32_t runSkewed(SkewedCascade&, Cascade&, const DetectorTerms&, DetectorState&, std::int32_t,
                       const float*, const float*, std::int32_t, StereoPair*) noexcept {
    return 0;
}
std::int32_t drainSkewed(SkewedCascade&, Cascade&, StereoPair*) noexcept {
    return 0;
}

std::int32_t finiteLength(const float* left, const float* right, std::int32_t count) noexcept {
    constexpr float kLargest = std::numeric_limits<float>::max();
    for (std::int32_t i = 0; i < count; ++i) {
        if (!(std::fabs(left[i]) <= kLargest && std::fabs(right[i]) <= kLargest)) {
            return i;
        }
    }
    return count;
}

namespace {

// One frame alone: a checked one (a channel may be infinite or not a number) one value at
// a time, a sane one as a pair.
void finishFrame(const StereoPair& y, bool checked, const OutputLanes<StereoPair>& pair,
                 const OutputLanes<double>& one, float& left, float& right) noexcept {
    if (checked) {
        left = static_cast<float>(trimAndLimit(leftOf(y), one));
        right = static_cast<float>(trimAndLimit(rightOf(y), one));
        return;
    }
    const StereoPair z = trimAndLimit(y, pair);
    left = static_cast<float>(leftOf(z));
    right = static_cast<float>(rightOf(z));
}

} // namespace

// Two sane frames at a time, their left channels in one pair and their right ones in the
// other: two independent chains to overlap, and each result pair is one channel's two
// outputs. Every lane takes the same operations whichever way the frames are grouped.
// Flattened: GCC would otherwise call the formula for each pair of values.
[[gnu::flatten]] void finishRun(const StereoPair* y, const bool* checked, std::int32_t count,
                                const OutputLanes<double>& one, float* left,
                                float* right) noexcept {
    const OutputLanes<StereoPair> pair = outputLanesFrom<StereoPair>(one);
    std::int32_t i = 0;
    while (i < count) {
        if (i + 1 < count && !checked[i] && !checked[i + 1]) {
            const StereoPair l = trimAndLimit(pairOf(leftOf(y[i]), leftOf(y[i + 1])), pair);
            const StereoPair r = trimAndLimit(pairOf(rightOf(y[i]), rightOf(y[i + 1])), pair);
            left[i] = static_cast<float>(leftOf(l));
            left[i + 1] = static_cast<float>(rightOf(l));
            right[i] = static_cast<float>(leftOf(r));
            right[i + 1] = static_cast<float>(rightOf(r));
            i += 2;
        } else {
            finishFrame(y[i], checked[i], pair, one, left[i], right[i]);
            ++i;
        }
    }
}

void detectorInputs(const float* left, const float* right, std::int32_t count,
                    double* inputs) noexcept {
    for (std::int32_t i = 0; i < count; ++i) {
        inputs[i] = detectorInput(left[i], right[i]);
    }
}

void monoSum(const float* left, const float* right, std::int32_t count, float* mono) noexcept {
    for (std::int32_t i = 0; i < count; ++i) {
        mono[i] = (right[i] + left[i]) * 0.5f;
    }
}

float peakMagnitude(const float* samples, std::int32_t count) noexcept {
    float peak = 0.0f;
    for (std::int32_t i = 0; i < count; ++i) {
        const float magnitude = std::fabs(samples[i]);
        if (magnitude > peak && magnitude <= std::numeric_limits<float>::max()) {
            peak = magnitude;
        }
    }
    return peak;
}

void window(double* samples, const float* ring, const double* window, int count) noexcept {
    for (int i = 0; i < count; ++i) {
        const double v = ring[i];
        samples[i] = std::fabs(v) <= std::numeric_limits<double>::max() ? v * window[i] : 0.0;
    }
}

namespace {

// The stereo pair as the transform's lanes (real_fft.h).
struct PairLanes {
    using V = StereoPair;
    static constexpr int kWidth = 2;
    static StereoPair load(const double* p) noexcept { return loadPair(p); }
    static void store(double* p, StereoPair v) noexcept { storePair(p, v); }
};

// Each bin's fresh level in dB, in place of its power. A level that is not finite counts
// as silence: the slow fall would otherwise hold an infinite bin for good, and the gain
// mapping reads these bins.
double levelOf(double power, double binScaleDb) noexcept {
    if (!(power > 1e-10)) { // magnitude at most 1e-5 (or not a number)
        return -80.0;
    }
    const float level = static_cast<float>(10.0 * log10Positive(power) + binScaleDb);
    return std::isfinite(level) ? level : -80.0;
}

} // namespace

void splitPowers(const double* re, const double* im, const RealFftTables& t, int from, int to,
                 double* power) noexcept {
    for (int k = from; k < to; ++k) {
        power[k] = splitPower(re[k], im[k], re[kRealFftHalf - k], -im[kRealFftHalf - k],
                              t.splitRe[k], t.splitIm[k]);
    }
}

// Group g sits at elements s .. s + 3, s = g reversed (a multiple of four), which hold the
// pairs g, g + 256, g + 128 and g + 384 in that order.
void fftFirstStages(const RealFftTables& t, const double* samples, double* work, int from,
                    int to) noexcept {
    double* re = work;
    double* im = work + kRealFftHalf;
    for (int g = from; g < to; ++g) {
        const int s = t.bitReversed[g];
        const double* p0 = samples + 2 * g;
        const double* p1 = samples + 2 * (g + 256);
        const double* p2 = samples + 2 * (g + 128);
        const double* p3 = samples + 2 * (g + 384);
        const double ar = p0[0] + p1[0], ai = p0[1] + p1[1];
        const double br = p0[0] - p1[0], bi = p0[1] - p1[1];
        const double cr = p2[0] + p3[0], ci = p2[1] + p3[1];
        const double dr = p2[0] - p3[0], di = p2[1] - p3[1];
        re[s] = ar + cr;
        im[s] = ai + ci;
        re[s + 2] = ar - cr;
        im[s + 2] = ai - ci;
        re[s + 1] = br + di; // b + (-i) d
        im[s + 1] = bi - dr;
        re[s + 3] = br - di;
        im[s + 3] = bi + dr;
    }
}

void fftPart(const RealFftTables& t, const double*, double* work, double* power,
             int part) noexcept {
    double* re = work;
    double* im = work + kRealFftHalf;
    if (part == 0) {
        fft_passes::laterStages<PairLanes>(re, im, t, 4, kFftSecondPartFrom);
        return;
    }
    fft_passes::laterStages<PairLanes>(re, im, t, kFftSecondPartFrom, kRealFftHalf);
    edgePowers(re, im, power);
}

void fftSplit(const RealFftTables& t, const double* work, double* power, int from,
              int to) noexcept {
    splitPowers(work, work + kRealFftHalf, t, from, to, power);
}

void levels(double* power, int count, double binScaleDb) noexcept {
    for (int k = 0; k < count; ++k) {
        power[k] = levelOf(power[k], binScaleDb);
    }
}

// Fast rise, slow fall: transients show at once, the display settles calmly.
void smooth(float* spectrumDb, const double* levels, int count) noexcept {
    for (int k = 0; k < count; ++k) {
        const auto fresh = static_cast<float>(levels[k]);
        const float old = spectrumDb[k];
        const float rise = old * 0.35f + fresh * 0.65f;
        const float fall = old * 0.9f + fresh * 0.1f;
        spectrumDb[k] = fresh > old ? rise : fall;
    }
}

Kernels record() noexcept {
    return {"baseline", cascadeRun,     startSkewed, runSkewed,     drainSkewed, finiteLength,
            finishRun,  detectorInputs, monoSum,     peakMagnitude, window,      fftFirstStages,
            fftPart,    fftSplit,       levels,      smooth};
}

} // namespace generic
