// The SSE control word's flush modes (every x86-64 processor has them).
#include "dsp/denormals.h"

#include <xmmintrin.h>

namespace {

constexpr std::uint32_t kFlushToZero = 0x8000;      // FTZ: denormal results become 0
constexpr std::uint32_t kDenormalsAreZero = 0x0040; // DAZ: denormal inputs read as 0

} // namespace

std::uint32_t floatModes() noexcept {
    return _mm_getcsr();
}

void setFloatModes(std::uint32_t modes) noexcept {
    _mm_setcsr(modes);
}

std::uint32_t withFlushModes(std::uint32_t modes) noexcept {
    return modes | kFlushToZero | kDenormalsAreZero;
}

std::uint32_t withoutFlushModes(std::uint32_t modes) noexcept {
    return modes & ~(kFlushToZero | kDenormalsAreZero);
}

bool flushModesExist() noexcept {
    return true;
}
