#include "dsp/real_fft.h"

#include "dsp/real_fft_wide.h"
#include "dsp/stereo_pair.h"
#include "dsp/vector_path.h"

#include <cmath>

namespace {

constexpr int kHalf = kRealFftSize / 2; // the complex transform's length
constexpr double kTwoPi = 6.283185307179586;

// Complex values are kept as separate real and imaginary arrays so that one register
// holds two neighbouring butterflies.
struct Tables {
    std::vector<int> bitReversed;         // kHalf entries
    std::vector<double> stageRe, stageIm; // per stage of half-length h >= 4: e^(-pi i j / h)
    std::vector<double> splitRe, splitIm; // e^(-2 pi i k / kRealFftSize), k <= kHalf
};

Tables buildTables() {
    Tables t;
    int bits = 0;
    while ((1 << bits) < kHalf) {
        ++bits;
    }
    t.bitReversed.resize(kHalf);
    for (int i = 0; i < kHalf; ++i) {
        int r = 0;
        for (int b = 0; b < bits; ++b) {
            r |= ((i >> b) & 1) << (bits - 1 - b);
        }
        t.bitReversed[i] = r;
    }
    for (int h = 4; h < kHalf; h <<= 1) {
        for (int j = 0; j < h; ++j) {
            t.stageRe.push_back(std::cos(kTwoPi * j / (2 * h)));
            t.stageIm.push_back(-std::sin(kTwoPi * j / (2 * h)));
        }
    }
    for (int k = 0; k <= kHalf; ++k) {
        t.splitRe.push_back(std::cos(kTwoPi * k / kRealFftSize));
        t.splitIm.push_back(-std::sin(kTwoPi * k / kRealFftSize));
    }
    return t;
}

const Tables& tables() {
    static const Tables t = buildTables();
    return t;
}

// The first two radix-2 stages at once: their twiddles are 1 and -i, no multiplication.
void firstStages(double* re, double* im) noexcept {
    for (int s = 0; s < kHalf; s += 4) {
        const double ar = re[s] + re[s + 1], ai = im[s] + im[s + 1];
        const double br = re[s] - re[s + 1], bi = im[s] - im[s + 1];
        const double cr = re[s + 2] + re[s + 3], ci = im[s + 2] + im[s + 3];
        const double dr = re[s + 2] - re[s + 3], di = im[s + 2] - im[s + 3];
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

#if TOLVANE_SSE2
inline StereoPair load(const double* p) {
    return {_mm_loadu_pd(p)};
}
inline void store(double* p, StereoPair v) {
    _mm_storeu_pd(p, v.v);
}
#else
inline StereoPair load(const double* p) {
    return {p[0], p[1]};
}
inline void store(double* p, StereoPair v) {
    p[0] = v.l;
    p[1] = v.r;
}
#endif

// The remaining stages, two butterflies per step.
void laterStages(double* re, double* im, const Tables& t) noexcept {
    const double* wRe = t.stageRe.data();
    const double* wIm = t.stageIm.data();
    for (int h = 4; h < kHalf; h <<= 1) {
        for (int s = 0; s < kHalf; s += 2 * h) {
            for (int j = 0; j < h; j += 2) {
                const StereoPair wr = load(wRe + j), wi = load(wIm + j);
                const StereoPair ur = load(re + s + j), ui = load(im + s + j);
                const StereoPair xr = load(re + s + j + h), xi = load(im + s + j + h);
                const StereoPair vr = xr * wr - xi * wi;
                const StereoPair vi = xr * wi + xi * wr;
                store(re + s + j, ur + vr);
                store(im + s + j, ui + vi);
                store(re + s + j + h, ur - vr);
                store(im + s + j + h, ui - vi);
            }
        }
        wRe += h;
        wIm += h;
    }
}

} // namespace

void prepareRealFft() {
    (void)tables();
}

void realFftPower(const double* samples, double* work, double* power) noexcept {
    const Tables& t = tables();
    double* re = work;
    double* im = work + kHalf;
    // Bins 0 and kHalf are real: the sum and the difference of the even and odd parts.
#if TOLVANE_SSE2
    if (wideVectorsInUse()) {
        static_assert(kHalf % 16 == 0, "firstStagesWide takes sixteen elements at a time");
        firstStagesWide(samples, t.bitReversed.data(), re, im, kHalf);
        laterStagesWide(re, im, t.stageRe.data(), t.stageIm.data(), kHalf);
        power[0] = (re[0] + im[0]) * (re[0] + im[0]);
        power[kHalf] = (re[0] - im[0]) * (re[0] - im[0]);
        splitPowersWide(re, im, t.splitRe.data(), t.splitIm.data(), kHalf, power);
        return;
    }
#endif
    for (int k = 0; k < kHalf; ++k) {
        const int r = t.bitReversed[k];
        re[r] = samples[2 * k];
        im[r] = samples[2 * k + 1];
    }
    firstStages(re, im);
    laterStages(re, im, t);
    power[0] = (re[0] + im[0]) * (re[0] + im[0]);
    power[kHalf] = (re[0] - im[0]) * (re[0] - im[0]);
    for (int k = 1; k < kHalf; ++k) {
        const double zr = re[k], zi = im[k];
        const double cr = re[kHalf - k], ci = -im[kHalf - k];
        const double er = 0.5 * (zr + cr), ei = 0.5 * (zi + ci);
        const double orr = 0.5 * (zi - ci), oi = -0.5 * (zr - cr); // (Z - conj Z') / 2i
        const double wr = t.splitRe[k], wi = t.splitIm[k];
        const double xr = er + (orr * wr - oi * wi);
        const double xi = ei + (orr * wi + oi * wr);
        power[k] = xr * xr + xi * xi;
    }
}
