// Pixel layout of the editor and the graph mappings. The painter and the input handlers
// share these so that what is hit is exactly what is drawn.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

constexpr int kEditorWidth = 920;
constexpr int kEditorHeight = 580;

constexpr float kGraphLeft = 45.0f;
constexpr float kGraphTop = 52.0f;
constexpr float kGraphBottom = 425.0f;
constexpr float kGraphHeight = 373.0f;
constexpr float kZeroDbY = 238.5f;

inline float graphRight(int width) {
    return static_cast<float>(width) - 45.0f;
}

// The graph in whole pixels at the fixed width, for hit tests and node drags.
constexpr int kGraphLeftPx = 45;
constexpr int kGraphRightPx = kEditorWidth - 45;
constexpr int kGraphTopPx = 52;
constexpr int kGraphBottomPx = 425;

// Frequency and gain to pixels. The scaled part is formed in double and rounded to float
// before the offset is added, so node positions are identical in painter and hit tests.
inline float frequencyToX(double frequency, int width) {
    const double span = static_cast<double>(width - 90);
    return kGraphLeft + static_cast<float>((std::log10(frequency / 20.0) / 3.0) * span);
}
inline float gainToY(double gain) {
    return kGraphTop + static_cast<float>((1.0 - (gain + 24.0) / 48.0) * 373.0);
}
// Spectrum and grid levels are floats and map in single precision.
inline float levelToY(float level) {
    return 52.0f + (1.0f - (level + 24.0f) / 48.0f) * 373.0f;
}
inline float clampToGraph(float y) {
    return std::min(std::max(y, kGraphTop), kGraphBottom);
}

inline double xToFrequency(double x, int width) {
    return 20.0 * std::pow(1000.0, (x - 45.0) / static_cast<double>(width - 90));
}
inline double yToGain(double y) {
    return 48.0 * (1.0 - (y - 52.0) / 373.0) - 24.0;
}

// The floating band panel near the selected node (270 x 68).
struct PanelOrigin {
    float px;
    float py;
};
inline PanelOrigin bandPanelOrigin(float nx, float ny, int width) {
    float px = nx - 135.0f;
    px = std::min(px, static_cast<float>(width) - 320.0f);
    px = std::max(px, 50.0f);
    const float py = ny <= 137.0f ? ny + 22.0f : ny - 86.0f;
    return {px, py};
}
constexpr float kPanelWidth = 270.0f;
constexpr float kPanelHeight = 68.0f;

// Type buttons of the panel, in BandType order: offset from px and width.
struct TypeButton {
    float offset;
    float width;
    const wchar_t* label;
};
constexpr TypeButton kTypeButtons[6] = {
    {8.0f, 36.0f, L"BELL"},        {46.0f, 42.0f, L"LOW CUT"},     {90.0f, 42.0f, L"HIGH CUT"},
    {134.0f, 42.0f, L"LOW SHELF"}, {178.0f, 42.0f, L"HIGH SHELF"}, {222.0f, 36.0f, L"NOTCH"},
};
constexpr float kTypeButtonTop = 6.0f;
constexpr float kTypeButtonHeight = 18.0f;

// Control strip: its top edge, the knobs, the band chips and their caption, the meters.
constexpr int kStripDividerY = 460;
constexpr int kKnobCentreY = 520;
constexpr int kKnobCentreX[4] = {55, 165, 275, 385};
constexpr int kKnobParam[4] = {1, 2, 3, 0}; // strip order is not parameter order
constexpr int kChipLeft = 490;
constexpr int kChipTop = 496;
constexpr int kChipPitch = 26;
constexpr int kChipSize = 22;
inline int chipX(int index) {
    return kChipLeft + kChipPitch * index;
}
constexpr float kChipCaptionY = 478.0f;
constexpr float kMeterY[2] = {490.0f, 508.0f};

constexpr int kPresetBoxLeft = 330; // at the fixed 920-pixel width
constexpr int kPresetBoxRight = 590;
constexpr int kPresetBoxTop = 11;
constexpr int kPresetBoxBottom = 41;

constexpr int kBypassLeft = 790;
constexpr int kBypassTop = 492;
constexpr int kBypassRight = 895;
constexpr int kBypassBottom = 530;
// The bypass button's status dot and text.
constexpr float kBypassDotX = 802.0f;
constexpr float kBypassDotY = 505.0f;
constexpr float kBypassDotSize = 10.0f;
constexpr float kBypassTextX = 820.0f;
constexpr float kBypassTextY = 503.0f;
