// Band filter design (cookbook biquads) and the gain mapping that ties the character
// parameters to every designed band gain.
//
// The arithmetic below is evaluated in exactly the written order and grouping, so the
// sound does not move with a compiler's choices. The two powers (a gain's amplitude and
// x^1.5) and the gain mapping's two tanh are the only reformulations: fast_math.h states
// their bounds against pow and tanh and the tests hold them to it.
#include "dsp/engine.h"
#include "dsp/fast_math.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kGoldenRatio = 1.618033988749895;

struct RawCoefficients {
    double b0, b1, b2, a0, a1, a2;
};

RawCoefficients shelfCoefficients(bool low, double A, double cs, double S) {
    if (low) {
        return {A * (((A + 1.0) - (A - 1.0) * cs) + S), (2.0 * A) * ((A - 1.0) - (A + 1.0) * cs),
                A * (((A + 1.0) - (A - 1.0) * cs) - S), ((A + 1.0) + (A - 1.0) * cs) + S,
                -2.0 * ((A - 1.0) + (A + 1.0) * cs),    ((A + 1.0) + (A - 1.0) * cs) - S};
    }
    return {A * (((A + 1.0) + (A - 1.0) * cs) + S), (-2.0 * A) * ((A - 1.0) + (A + 1.0) * cs),
            A * (((A + 1.0) + (A - 1.0) * cs) - S), ((A + 1.0) - (A - 1.0) * cs) + S,
            2.0 * ((A - 1.0) - (A + 1.0) * cs),     ((A + 1.0) - (A - 1.0) * cs) - S};
}

RawCoefficients rawCoefficients(std::uint32_t type, double A, double alpha, double cs) {
    switch (type) {
    case Bell:
        return {1.0 + alpha * A, -2.0 * cs, 1.0 - alpha * A,
                1.0 + alpha / A, -2.0 * cs, 1.0 - alpha / A};
    case LowCut:
        return {(1.0 + cs) / 2.0, -(1.0 + cs), (1.0 + cs) / 2.0,
                1.0 + alpha,      -2.0 * cs,   1.0 - alpha};
    case HighCut:
        return {(1.0 - cs) / 2.0, 1.0 - cs, (1.0 - cs) / 2.0, 1.0 + alpha, -2.0 * cs, 1.0 - alpha};
    case Notch:
        return {1.0, -2.0 * cs, 1.0, 1.0 + alpha, -2.0 * cs, 1.0 - alpha};
    default: // shelves only; other types never get here
        return shelfCoefficients(type == LowShelf, A, cs, (2.0 * std::sqrt(A)) * alpha);
    }
}

// Analyser bin of a frequency. Truncation happens on the double so that absurd
// frequencies or sample rates saturate instead of overflowing the integer conversion.
int analyserBin(double f, double sampleRate) {
    const double k = std::trunc(f / (sampleRate * 0.5) * 512.0);
    if (k > 511.0) {
        return 512;
    }
    if (!(k >= 1.0)) { // also NaN
        return 0;
    }
    return static_cast<int>(k);
}

// The band's angle per sample must lie below Nyquist (the 10 Hz floor is above it at
// rates under 20 Hz) and no lower than the 10 Hz floor reaches at 768 kHz, the highest
// rate hosts run. Lower still, both poles sit within a few parts in ten million of z = 1:
// filter states carried over from another rate then ramp for millions of samples before
// they decay, which a broken host's absurd rate turns into a blast of +50 dB.
bool designable(double angle) {
    constexpr double kLowestAngle = 62.83185307179586 / 768000.0;
    return angle >= kLowestAngle && angle < kPi;
}

// Both poles strictly inside the unit circle (the stability triangle of a2 and a1).
bool stable(const BiquadCoefficients& k) {
    return std::fabs(k.a2) < 1.0 && std::fabs(k.a1) < 1.0 + k.a2 && std::isfinite(k.b0) &&
           std::isfinite(k.b1) && std::isfinite(k.b2);
}

} // namespace

// Pure; any thread.
FrequencyTerms frequencyTerms(double frequency, double sampleRate) noexcept {
    FrequencyTerms t;
    t.frequency = frequency;
    t.sampleRate = sampleRate;
    // The design's angle, from the frequency held below Nyquist.
    const double f = std::min(0.495 * sampleRate, frequency);
    const double omega = f > 10.0 ? f * kTwoPi : 62.83185307179586;
    t.designable = designable(omega / sampleRate);
    t.sn = std::sin(omega / sampleRate);
    t.cs = std::cos(omega / sampleRate);
    // The gain mapping's terms, from the frequency as it is.
    const double fz = frequency / 7500.0;
    const double z = (13.0 * std::atan(0.00076 * frequency) + 3.5 * std::atan(fz * fz)) / 24.0;
    t.P = z * z * 162.51651148859455 * 0.01;
    t.w = (frequency / sampleRate) * kTwoPi;
    t.wSixth = t.w / 6.0;
    t.wCubed = 0.01 * (t.w * t.w * t.w);
    t.bin = analyserBin(frequency, sampleRate);
    t.sieveWave = std::sin(frequency / 172.0 * kPi) * std::cos(kPi * frequency / 86.0);
    t.F = std::cos(kGoldenRatio * t.w);
    t.V = std::sin(2.0 * t.w + 0.8224670334241132);
    const double x = static_cast<double>(t.bin) / 513.0 - 0.5;
    t.binWeight = 1.0 / (x * x + 1.0);
    return t;
}

BiquadCoefficients designBiquad(std::uint32_t type, const FrequencyTerms& t, double gain,
                                double q) noexcept {
    const BiquadCoefficients passThrough{};
    if (type > Notch || !t.designable) {
        return passThrough;
    }
    const double q2 = q > 25.0 ? 50.0 : (q > 0.1 ? 2.0 * q : 0.2);
    const double A = amplitudeOfGain(gain);
    const double alpha = t.sn / q2;
    const RawCoefficients r = rawCoefficients(type, A, alpha, t.cs);
    if (!(std::fabs(r.a0) > 1e-12)) {
        return passThrough;
    }
    const BiquadCoefficients k{r.b0 / r.a0, r.b1 / r.a0, r.b2 / r.a0, r.a1 / r.a0, r.a2 / r.a0};
    return stable(k) ? k : passThrough;
}

BiquadCoefficients designBiquad(std::uint32_t type, double frequency, double gain, double q,
                                double sampleRate) noexcept {
    if (type > Notch) {
        return BiquadCoefficients{};
    }
    return designBiquad(type, frequencyTerms(frequency, sampleRate), gain, q);
}

// Fourth difference of the smoothed spectrum around bin k: a measure of how peaky the
// programme is right where the band sits. Only defined where all five bins exist.
double spectralTerm(const Engine& inst, std::int32_t k) {
    if (k < 2 || k > 510) {
        return 0.0;
    }
    const auto sp = [&](int i) { return static_cast<double>(inst.spectrumDb[i]); };
    const double d = (((sp(k - 2) - 4.0 * sp(k - 1)) + 6.0 * sp(k)) - 4.0 * sp(k + 1)) + sp(k + 2);
    return tanhOf(d * 0.0005) * 0.1 * 0.1;
}

// Owner of the engine. Reads coupling, sieve and limiter, the prime table and the
// spectrum; returns the gain in dB that the band is actually designed with.
double effectiveGain(const Engine& inst, const FrequencyTerms& ft, double g) {
    return effectiveGain(inst, ft, g, spectralTerm(inst, ft.bin));
}

// The same with the spectral term E given.
double effectiveGain(const Engine& inst, const FrequencyTerms& ft, double g, double E) {
    const double c = param(inst, ParamCoupling);
    const double s = param(inst, ParamSieve);
    const double l = param(inst, ParamLimiter);

    const double P = ft.P;
    const double w = ft.w;
    const double u = g / 24.0;
    const double u3 = u * u * u;
    const double H =
        (w * u3 / (1.0 + 0.05 * std::fabs(g)) + (P - u3 * ft.wSixth)) * 0.13113548180315895;
    const double K = ((P - ft.wSixth * u) + (ft.wCubed - u * u)) * 0.0529177;
    const double t = 1.0 / (std::fabs(0.1 * K) + 0.1);
    const double R =
        std::sin(kPi * (0.1 * H)) * std::cos(5.0832036923152595 * std::min(t, 5.0)) * 0.15;
    const int k = ft.bin;
    const double B =
        inst.primeBins.test(static_cast<std::size_t>(k)) ? ft.sieveWave * 0.15 * s : 0.0;
    const double T =
        (powThreeHalves(std::max(std::fabs(g) / 24.0, 0.0001)) * 2160.0 * 81.0 * 5e-6) * 0.1;
    const double O = (0.5 * K + 0.5 * H) / (0.04 + std::fabs(0.1 * H));

    const double shape = ((0.1 * ft.V) / (std::fabs(O) + 1.0) * 0.15 +
                          (0.08 / (O * O + 1.0) * 0.15 + 0.05 * ft.F * 0.1)) *
                         ft.binWeight;
    const double G = c * (shape + ((T + E) + (0.2 * H + 0.2 * K + 0.2 * R) * (B + 1.0)));
    // The offset never moves a band by more than 0.6 dB; a NaN offset is pinned high.
    const double I = std::isnan(G) ? 0.6 : std::clamp(G, -0.6, 0.6);
    return tanhOf((g + I) / 18.0) * 18.0 * l + (1.0 - l) * (g + I);
}

double effectiveGain(const Engine& inst, double f, double g) {
    return effectiveGain(inst, frequencyTerms(f, inst.sampleRate), g);
}
