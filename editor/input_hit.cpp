#include "editor/input_hit.h"

#include "editor/layout.h"

namespace {

constexpr float kNodeRadiusSquared = 256.0f;
constexpr int kKnobRadiusSquared = 484;

struct NodeCentre {
    float x;
    float y;
};

// The painter's node position; hit distances are taken in single precision like it.
NodeCentre nodeCentre(const Band& band) {
    return {frequencyToX(band.frequency, kEditorWidth), gainToY(band.gain)};
}

bool inChipSquare(int left, int x, int y) {
    return inRange(x, left, left + kChipSize) && inRange(y, kChipTop, kChipTop + kChipSize);
}

} // namespace

bool inGraphArea(int x, int y) {
    return inRange(x, kGraphLeftPx, kGraphRightPx) && inRange(y, kGraphTopPx, kGraphBottomPx);
}

int hitBandNode(const std::vector<Band>& bands, int x, int y) {
    for (int i = static_cast<int>(bands.size()) - 1; i >= 0; --i) {
        const Band& band = bands[static_cast<std::size_t>(i)];
        if (!band.enabled) {
            continue;
        }
        const NodeCentre c = nodeCentre(band);
        const float dx = static_cast<float>(x) - c.x;
        const float dy = static_cast<float>(y) - c.y;
        if (dx * dx + dy * dy <= kNodeRadiusSquared) {
            return i;
        }
    }
    return -1;
}

int hitTypeButton(const Band& selected, int x, int y) {
    const NodeCentre c = nodeCentre(selected);
    const PanelOrigin panel = bandPanelOrigin(c.x, c.y, kEditorWidth);
    const float fy = static_cast<float>(y);
    if (fy < panel.py + kTypeButtonTop || fy > panel.py + (kTypeButtonTop + kTypeButtonHeight)) {
        return -1;
    }
    const float fx = static_cast<float>(x);
    for (int i = 0; i < 6; ++i) {
        const TypeButton& button = kTypeButtons[i];
        if (fx >= panel.px + button.offset && fx <= panel.px + (button.offset + button.width)) {
            return i;
        }
    }
    return -1;
}

int hitBandChip(int count, int x, int y) {
    for (int i = 0; i < count; ++i) {
        if (inChipSquare(chipX(i), x, y)) {
            return i;
        }
    }
    return -1;
}

bool hitAddChip(int count, int x, int y) {
    return inChipSquare(chipX(count), x, y);
}

int hitKnob(int x, int y) {
    const int dy = y - kKnobCentreY;
    for (int k = 0; k < 4; ++k) {
        const int dx = x - kKnobCentreX[k];
        if (dx * dx + dy * dy <= kKnobRadiusSquared) {
            return k;
        }
    }
    return -1;
}

bool inPresetColumn(int x) {
    return inRange(x, kPresetBoxLeft, kPresetBoxRight);
}

bool inPresetBox(int x, int y) {
    return inPresetColumn(x) && inRange(y, kPresetBoxTop, kPresetBoxBottom);
}

bool inBypassButton(int x, int y) {
    return inRange(x, kBypassLeft, kBypassRight) && inRange(y, kBypassTop, kBypassBottom);
}
