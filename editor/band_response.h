// Magnitude response of a stored biquad at one frequency. The graph evaluates the
// coefficients the audio path is running (dynamic modulation included) instead of
// re-designing the band, so what is drawn is what is heard.
#pragma once

#include "dsp/band.h"

enum class ResponseKind {
    Level,     // `db` holds the level
    Undefined, // the denominator vanishes: no meaningful level
    Silent,    // |H|^2 below 1e-12: treated as -infinity
};

struct BandResponse {
    ResponseKind kind;
    double db;
};

BandResponse bandResponse(const BiquadCoefficients& c, double frequency, double sampleRate);
