// Processors without flush modes the engine knows how to set: nothing to switch.
#include "dsp/denormals.h"

std::uint32_t floatModes() noexcept {
    return 0;
}

void setFloatModes(std::uint32_t) noexcept {}

std::uint32_t withFlushModes(std::uint32_t modes) noexcept {
    return modes;
}

std::uint32_t withoutFlushModes(std::uint32_t modes) noexcept {
    return modes;
}

bool flushModesExist() noexcept {
    return false;
}
