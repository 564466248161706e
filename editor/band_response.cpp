#include "editor/band_response.h"

#include <cmath>

BandResponse bandResponse(const BiquadCoefficients& c, double frequency, double sampleRate) {
    const double w = frequency * 6.283185307179586 / sampleRate;
    const double cw = std::cos(w);
    const double sw = std::sin(w);
    const double c2w = std::cos(2.0 * w);
    const double s2w = std::sin(2.0 * w);

    const double denRe = 1.0 + c.a1 * cw + c.a2 * c2w;
    const double denIm = -c.a1 * sw - c.a2 * s2w;
    const double den = denRe * denRe + denIm * denIm;
    const double numRe = c.b0 + c.b1 * cw + c.b2 * c2w;
    const double numIm = -c.b1 * sw - c.b2 * s2w;
    const double num = numRe * numRe + numIm * numIm;

    // NaN inputs (a zero sample rate) fail both comparisons below, so they are caught here.
    if (!(den >= 1e-12)) {
        return {ResponseKind::Undefined, 0.0};
    }
    const double magSquared = num / den;
    if (!(magSquared >= 1e-12)) {
        return {ResponseKind::Silent, 0.0};
    }
    return {ResponseKind::Level, 10.0 * std::log10(magSquared)};
}
