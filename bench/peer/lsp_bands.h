// The LSP Parametric Equalizer x16's band parameters: the extra bands that make its
// sixteen-band case, and a readable summary of what a configured instance is doing.
#pragma once

#include "bench/peer/param_settings.h"

#include <string>
#include <vector>

namespace peer {

constexpr int kLspBands = 16;

// Bands `first`..15 as bells spread over the spectrum with small gains, in the plug-in's
// normalised parameter values.
std::vector<Setting> lspExtraBells(int first);
// "ft_3 Bell  f 1000  g -3.00  q 2.00" for every band that is not off.
std::vector<std::string> lspBandSummary(AEffect* effect);

} // namespace peer
