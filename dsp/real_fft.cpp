#include "dsp/real_fft.h"

#include <cmath>

namespace {

constexpr int kHalf = kRealFftSize / 2; // the complex transform's length
constexpr double kTwoPi = 6.283185307179586;

struct Tables {
    std::vector<int> bitReversed;   // kHalf entries
    std::vector<double> twiddle;    // e^(-2 pi i t / kHalf), t < kHalf / 2, as re, im
    std::vector<double> splitTwist; // e^(-2 pi i k / kRealFftSize), k <= kHalf, as re, im
};

Tables buildTables() {
    Tables t;
    t.bitReversed.resize(kHalf);
    int bits = 0;
    while ((1 << bits) < kHalf) {
        ++bits;
    }
    for (int i = 0; i < kHalf; ++i) {
        int r = 0;
        for (int b = 0; b < bits; ++b) {
            r |= ((i >> b) & 1) << (bits - 1 - b);
        }
        t.bitReversed[i] = r;
    }
    for (int k = 0; k < kHalf / 2; ++k) {
        t.twiddle.push_back(std::cos(kTwoPi * k / kHalf));
        t.twiddle.push_back(-std::sin(kTwoPi * k / kHalf));
    }
    for (int k = 0; k <= kHalf; ++k) {
        t.splitTwist.push_back(std::cos(kTwoPi * k / kRealFftSize));
        t.splitTwist.push_back(-std::sin(kTwoPi * k / kRealFftSize));
    }
    return t;
}

const Tables& tables() {
    static const Tables t = buildTables();
    return t;
}

// In-place radix-2 decimation in time over kHalf interleaved complex values.
void complexFft(double* z, const Tables& t) noexcept {
    for (int len = 2; len <= kHalf; len <<= 1) {
        const int half = len / 2;
        const int step = kHalf / len; // twiddle table stride
        for (int s = 0; s < kHalf; s += len) {
            for (int j = 0; j < half; ++j) {
                const double wr = t.twiddle[2 * j * step];
                const double wi = t.twiddle[2 * j * step + 1];
                double* u = z + 2 * (s + j);
                double* v = z + 2 * (s + j + half);
                const double vr = v[0] * wr - v[1] * wi;
                const double vi = v[0] * wi + v[1] * wr;
                v[0] = u[0] - vr;
                v[1] = u[1] - vi;
                u[0] += vr;
                u[1] += vi;
            }
        }
    }
}

} // namespace

void prepareRealFft() {
    (void)tables();
}

void realFftPower(const double* samples, double* work, double* power) noexcept {
    const Tables& t = tables();
    for (int k = 0; k < kHalf; ++k) {
        const int r = t.bitReversed[k];
        work[2 * r] = samples[2 * k];
        work[2 * r + 1] = samples[2 * k + 1];
    }
    complexFft(work, t);
    // Bins 0 and kHalf are real: the sum and the difference of the even and odd parts.
    power[0] = (work[0] + work[1]) * (work[0] + work[1]);
    power[kHalf] = (work[0] - work[1]) * (work[0] - work[1]);
    for (int k = 1; k < kHalf; ++k) {
        const double zr = work[2 * k], zi = work[2 * k + 1];
        const double cr = work[2 * (kHalf - k)], ci = -work[2 * (kHalf - k) + 1];
        const double er = 0.5 * (zr + cr), ei = 0.5 * (zi + ci);
        // (Z - conj Z') / 2i
        const double orr = 0.5 * (zi - ci), oi = -0.5 * (zr - cr);
        const double wr = t.splitTwist[2 * k], wi = t.splitTwist[2 * k + 1];
        const double xr = er + (orr * wr - oi * wi);
        const double xi = ei + (orr * wi + oi * wr);
        power[k] = xr * xr + xi * xi;
    }
}
