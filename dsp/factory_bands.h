// The three factory band lists. List 0 is also the band list of a new instance.
#pragma once

#include "dsp/band.h"

#include <array>
#include <cstdint>

constexpr int kFactoryPresetCount = 3;
constexpr int kFactoryBandCount = 7;

struct FactoryBandList {
    std::array<Band, kFactoryBandCount> bands;
    std::int32_t selectedBand; // the list's dynamic band
};

// index is clamped into 0..2.
const FactoryBandList& factoryBandList(int index);
