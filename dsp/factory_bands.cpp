// The three factory band lists. Every band starts enabled; each list has exactly one
// dynamic band, which is also the band the editor selects after loading it.
#include "dsp/factory_bands.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kRed = 0xFFF87171;
constexpr std::uint32_t kOrange = 0xFFFB923C;
constexpr std::uint32_t kAmber = 0xFFFBBE50;
constexpr std::uint32_t kYellow = 0xFFFACC15;
constexpr std::uint32_t kViolet = 0xFFC084FC;
constexpr std::uint32_t kSky = 0xFF38BDF8;
constexpr std::uint32_t kGreen = 0xFF34D399;

constexpr Band band(BandType type, double frequency, double gain, double q, std::uint32_t colour,
                    bool dynamic = false) {
    return Band{true, frequency, gain, q, type, colour, dynamic};
}

// Master Modern Clarity: also the band list of a new instance.
constexpr FactoryBandList kModernClarity{{{
                                             band(LowCut, 30.0, 0.0, 0.707, kRed),
                                             band(LowShelf, 85.0, 1.8, 0.85, kOrange),
                                             band(Bell, 180.0, 1.2, 1.25, kAmber),
                                             band(Bell, 340.0, -2.5, 1.45, kYellow),
                                             band(Bell, 2900.0, 2.8, 1.1, kViolet, true),
                                             band(Bell, 7200.0, -1.2, 1.35, kSky),
                                             band(HighShelf, 12500.0, 2.6, 0.75, kGreen),
                                         }},
                                         4};

// 808 Sub Sculptor.
constexpr FactoryBandList kSubSculptor{{{
                                           band(LowCut, 28.0, 0.0, 0.707, kRed),
                                           band(Bell, 60.0, 3.5, 1.6, kOrange, true),
                                           band(Bell, 140.0, -1.8, 1.3, kAmber),
                                           band(Bell, 350.0, -3.0, 1.5, kYellow),
                                           band(Bell, 2500.0, 1.5, 1.2, kViolet),
                                           band(Bell, 6500.0, -2.0, 1.4, kSky),
                                           band(HighCut, 16000.0, 0.0, 0.707, kGreen),
                                       }},
                                       1};

// Master Bus Glue: bands 3 and 4 swap their usual colours.
constexpr FactoryBandList kBusGlue{{{
                                       band(LowCut, 28.0, 0.0, 0.707, kRed),
                                       band(LowShelf, 95.0, 1.2, 0.7, kOrange),
                                       band(Bell, 320.0, -1.5, 1.2, kYellow),
                                       band(Bell, 1200.0, 0.8, 1.0, kAmber),
                                       band(Bell, 3200.0, 1.8, 1.15, kViolet, true),
                                       band(Bell, 8500.0, 1.2, 1.0, kSky),
                                       band(HighShelf, 12000.0, 2.2, 0.7, kGreen),
                                   }},
                                   4};

constexpr const FactoryBandList* kLists[kFactoryPresetCount] = {&kModernClarity, &kSubSculptor,
                                                                &kBusGlue};

} // namespace

const FactoryBandList& factoryBandList(int index) {
    return *kLists[std::clamp(index, 0, kFactoryPresetCount - 1)];
}
