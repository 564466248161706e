#include "editor/input_bands.h"

#include "dsp/plugin_instance.h"
#include "editor/layout.h"

#include <algorithm>
#include <array>

namespace {

// Colours of double-click adds, chosen by the band count before the add.
constexpr std::array<std::uint32_t, 8> kAddPalette = {
    0xFFF87171u, 0xFFFB923Cu, 0xFFFACC15u, 0xFFC084FCu,
    0xFF38BDF8u, 0xFF34D399u, 0xFFEC4899u, 0xFFA855F7u,
};
constexpr std::uint32_t kChipAddColour = 0xFFC084FCu;
constexpr double kMaxQ = 18.0;
constexpr double kMinQ = 0.2;

int bandCount(const PluginInstance& inst) {
    return static_cast<int>(inst.bands.size());
}

Band& bandAt(PluginInstance& inst, int index) {
    return inst.bands[static_cast<std::size_t>(index)];
}

Band newBell(double frequency, double gain, double q, std::uint32_t colour) {
    return Band{true, frequency, gain, q, BandType::Bell, colour, false};
}

// Erases band `index` and keeps a drag in progress on the band it was on: a band that
// moved down keeps following the cursor, and the drag of a removed band ends instead of
// passing to its neighbour (Delete pressed while the button is still held).
void eraseBand(PluginInstance& inst, int index, InputEffect& effect) {
    inst.bands.erase(inst.bands.begin() + index);
    if (inst.dragBand == index) {
        inst.dragBand = -1;
        inst.dragKnob = -1;
        effect.releaseCapture = true;
    } else if (inst.dragBand > index) {
        --inst.dragBand;
    }
}

InputEffect rebuilt(PluginInstance& inst, InputEffect effect) {
    rebuildFilters(inst);
    effect.repaint = true;
    return effect;
}

} // namespace

bool selectedBandValid(const PluginInstance& inst) {
    return inst.selectedBand >= 0 && inst.selectedBand < bandCount(inst);
}

bool bandDragValid(const PluginInstance& inst) {
    return inst.dragBand >= 0 && inst.dragBand < bandCount(inst);
}

InputEffect pressBandNode(PluginInstance& inst, int hit, bool doubleClick) {
    InputEffect effect;
    if (doubleClick && bandCount(inst) > kMinBands) {
        eraseBand(inst, hit, effect);
        inst.selectedBand = std::max(std::min(hit, bandCount(inst) - 1), 0);
        return rebuilt(inst, effect);
    }
    inst.selectedBand = hit;
    inst.dragBand = hit;
    effect.capture = true;
    effect.repaint = true;
    return effect;
}

std::optional<InputEffect> addBandAtPoint(PluginInstance& inst, int x, int y) {
    const int oldCount = bandCount(inst);
    if (oldCount >= kMaxBands) {
        return std::nullopt;
    }
    inst.bands.push_back(newBell(xToFrequency(x, kEditorWidth), yToGain(y), 1.2,
                                 kAddPalette[static_cast<std::size_t>(oldCount % 8)]));
    inst.selectedBand = oldCount;
    inst.dragBand = oldCount; // the new band follows the still-held button at once
    InputEffect effect;
    effect.capture = true;
    return rebuilt(inst, effect);
}

InputEffect setSelectedBandType(PluginInstance& inst, int type) {
    bandAt(inst, inst.selectedBand).type = static_cast<std::uint32_t>(type);
    return rebuilt(inst, {});
}

InputEffect selectBandChip(PluginInstance& inst, int chip) {
    inst.selectedBand = chip;
    InputEffect effect;
    effect.repaint = true;
    return effect;
}

std::optional<InputEffect> addBandFromChip(PluginInstance& inst) {
    if (bandCount(inst) >= kMaxBands) {
        return std::nullopt;
    }
    inst.bands.push_back(newBell(1000.0, 0.0, 1.0, kChipAddColour));
    inst.selectedBand = bandCount(inst) - 1;
    return rebuilt(inst, {});
}

InputEffect dragBandTo(PluginInstance& inst, int x, int y) {
    Band& band = bandAt(inst, inst.dragBand);
    band.frequency = xToFrequency(std::clamp(x, 45, 875), kEditorWidth);
    band.gain = yToGain(std::clamp(y, 52, 425));
    return rebuilt(inst, {});
}

InputEffect changeSelectedQ(PluginInstance& inst, int wheelDistance) {
    if (!selectedBandValid(inst)) {
        return {};
    }
    Band& band = bandAt(inst, inst.selectedBand);
    const double product = band.q * (wheelDistance >= 1 ? 1.15 : 0.87);
    // Written so that a Q that is not a number also lands on the floor.
    band.q = product >= kMaxQ ? kMaxQ : (product > kMinQ ? product : kMinQ);
    return rebuilt(inst, {});
}

InputEffect deleteSelectedBand(PluginInstance& inst) {
    if (!selectedBandValid(inst) || bandCount(inst) <= kMinBands) {
        return {};
    }
    InputEffect effect;
    eraseBand(inst, inst.selectedBand, effect);
    // Unlike the double-click removal, the selection moves to the last band.
    inst.selectedBand = std::max(bandCount(inst) - 1, 0);
    return rebuilt(inst, effect);
}
