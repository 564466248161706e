#include "dsp/x86/sse2/sse2.h"

#include "dsp/generic/generic.h"
#include "dsp/spectrum_levels.h"

#include <emmintrin.h>

#include <limits>

namespace sse2 {

// Four samples at a time; the one-value loop takes the rest. Every finite float is within
// the audio path's sane limit, so this is also where its cascades would stop.
std::int32_t finiteLength(const float* left, const float* right, std::int32_t count) noexcept {
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128 largest = _mm_set1_ps(std::numeric_limits<float>::max());
    std::int32_t i = 0;
    for (; i + 3 < count; i += 4) {
        // "Not less or equal" is also true for NaN.
        const __m128 l = _mm_cmpnle_ps(_mm_and_ps(_mm_loadu_ps(left + i), magnitude), largest);
        const __m128 r = _mm_cmpnle_ps(_mm_and_ps(_mm_loadu_ps(right + i), magnitude), largest);
        const int bad = _mm_movemask_ps(_mm_or_ps(l, r));
        if (bad != 0) {
            return i + __builtin_ctz(static_cast<unsigned>(bad));
        }
    }
    return i + generic::finiteLength(left + i, right + i, count - i);
}

void monoSum(const float* left, const float* right, std::int32_t count, float* mono) noexcept {
    std::int32_t i = 0;
    for (; i + 3 < count; i += 4) {
        const __m128 sum = _mm_add_ps(_mm_loadu_ps(right + i), _mm_loadu_ps(left + i));
        _mm_storeu_ps(mono + i, _mm_mul_ps(sum, _mm_set1_ps(0.5f)));
    }
    generic::monoSum(left + i, right + i, count - i, mono + i);
}

// Sixteen lanes of running maxima in four registers: with one register, every maximum would
// wait for the one before it, a whole latency per four samples. A lane that is not finite is
// masked to 0 first. The maximum does not depend on the order it is taken in, so the answer
// is the portable one's.
float peakMagnitude(const float* samples, std::int32_t count) noexcept {
    const __m128 magnitudeBits = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    const __m128 largest = _mm_set1_ps(std::numeric_limits<float>::max());
    const auto finiteMagnitude = [&](const float* at) {
        const __m128 magnitude = _mm_and_ps(_mm_loadu_ps(at), magnitudeBits);
        return _mm_and_ps(_mm_cmple_ps(magnitude, largest), magnitude);
    };
    __m128 a = _mm_setzero_ps(), b = a, c = a, d = a;
    std::int32_t i = 0;
    for (; i + 15 < count; i += 16) {
        a = _mm_max_ps(a, finiteMagnitude(samples + i));
        b = _mm_max_ps(b, finiteMagnitude(samples + i + 4));
        c = _mm_max_ps(c, finiteMagnitude(samples + i + 8));
        d = _mm_max_ps(d, finiteMagnitude(samples + i + 12));
    }
    for (; i + 3 < count; i += 4) {
        a = _mm_max_ps(a, finiteMagnitude(samples + i));
    }
    __m128 lanes = _mm_max_ps(_mm_max_ps(a, b), _mm_max_ps(c, d));
    lanes = _mm_max_ps(lanes, _mm_movehl_ps(lanes, lanes));
    lanes = _mm_max_ss(lanes, _mm_shuffle_ps(lanes, lanes, 1));
    const float rest = generic::peakMagnitude(samples + i, count - i);
    const float head = _mm_cvtss_f32(lanes);
    return rest > head ? rest : head;
}

void window(double* samples, const float* ring, const double* window, int count) noexcept {
    const __m128d largest = _mm_set1_pd(std::numeric_limits<double>::max());
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    int i = 0;
    for (; i + 1 < count; i += 2) {
        // Two floats at any alignment: the analyser windows samples as they arrive.
        const __m128d v = _mm_cvtps_pd(
            _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(ring + i))));
        const __m128d finite = _mm_cmple_pd(_mm_and_pd(v, magnitude), largest);
        _mm_storeu_pd(samples + i, _mm_and_pd(finite, _mm_mul_pd(v, _mm_loadu_pd(window + i))));
    }
    generic::window(samples + i, ring + i, window + i, count - i);
}

namespace {

// log10Parts (formulas.h) of both lanes, from their bits: with log10FromParts, each
// lane's result is log10Positive's (fast_math.h).
Log10Parts<StereoPair> log10PartsPair(StereoPair x) {
    const __m128i bits = _mm_castpd_si128(x.v);
    const __m128i mantissaBits =
        _mm_or_si128(_mm_and_si128(bits, _mm_set1_epi64x(0x000FFFFFFFFFFFFFll)),
                     _mm_set1_epi64x(0x3FF0000000000000ll));
    // The biased exponent field as a double: placed in the mantissa of 2^52, then 2^52 off.
    const __m128d twoTo52 = _mm_set1_pd(4503599627370496.0);
    const StereoPair biased{_mm_sub_pd(
        _mm_castsi128_pd(_mm_or_si128(_mm_srli_epi64(bits, 52), _mm_castpd_si128(twoTo52))),
        twoTo52)};
    return log10Parts(StereoPair{_mm_castsi128_pd(mantissaBits)}, biased);
}

// Two bins per step (spectrum_levels.h).
struct PairLanes {
    using V = StereoPair;
    static constexpr int kWidth = 2;
    static StereoPair load(const double* p) { return {_mm_loadu_pd(p)}; }
    static void store(double* p, StereoPair v) { _mm_storeu_pd(p, v.v); }
    static Log10Parts<StereoPair> parts(StereoPair x) { return log10PartsPair(x); }
    static StereoPair singlePrecision(StereoPair x) { return {_mm_cvtps_pd(_mm_cvtpd_ps(x.v))}; }
};

} // namespace

// Two bins at a time, branch-free: quiet bins go through the logarithm at the floor and
// are replaced by -80 afterwards. Powers are finite (they come from finite samples), so
// every level is too.
void levels(double* power, int count, double binScaleDb) noexcept {
    const int done = spectrum_levels::inTwoPasses<PairLanes>(power, count, binScaleDb);
    generic::levels(power + done, count - done, binScaleDb);
}

// Both candidates, then a pick without a branch: whether a bin rises is a coin toss on
// programme material, and mispredicting it for half the bins cost more than the arithmetic.
void smooth(float* spectrumDb, const double* levels, int count) noexcept {
    int k = 0;
    for (; k + 3 < count; k += 4) {
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
    generic::smooth(spectrumDb + k, levels + k, count - k);
}

} // namespace sse2
