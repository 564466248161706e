// Band records and filter records shared by the engine and the editor.
#pragma once

#include <cstdint>

enum BandType : std::uint32_t {
    Bell = 0,
    LowCut = 1,
    HighCut = 2,
    LowShelf = 3,
    HighShelf = 4,
    Notch = 5,
};

struct Band {
    bool enabled;
    double frequency; // Hz
    double gain;      // dB
    double q;
    std::uint32_t type;   // BandType; other values design a pass-through
    std::uint32_t colour; // ARGB, editor only
    bool dynamic;         // deeper modulation depth
};

// Normalised biquad: (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
struct BiquadCoefficients {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
};

// One biquad per band, transposed direct form II state per channel.
struct BandFilter {
    double s1L = 0.0;
    double s2L = 0.0;
    double s1R = 0.0;
    double s2R = 0.0;
    BiquadCoefficients coeffs;
    // Counts the modulation's redesigns, so a cascade loaded from the filter can tell
    // whether its copy of the coefficients is still current (64 bits: no padding).
    std::uint64_t designs = 0;
};
