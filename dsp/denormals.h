// Flush-to-zero and denormals-are-zero for the duration of one audio callback.
//
// Decaying envelopes and filter tails in silence reach denormal values, which cost the
// x86 core dozens of cycles per operation; many hosts do not set these modes for their
// plug-ins. The host's own control word is restored on the way out. On a processor without
// such modes all of this does nothing.
#pragma once

#include <cstdint>

// The processor's floating-point control word (0 where it has none).
std::uint32_t floatModes() noexcept;
void setFloatModes(std::uint32_t modes) noexcept;
// `modes` with both flush modes on, or both off.
std::uint32_t withFlushModes(std::uint32_t modes) noexcept;
std::uint32_t withoutFlushModes(std::uint32_t modes) noexcept;
// Whether the processor has flush modes to set at all.
bool flushModesExist() noexcept;

struct DenormalsFlushed {
    DenormalsFlushed() noexcept : saved(floatModes()) { setFloatModes(withFlushModes(saved)); }
    ~DenormalsFlushed() { setFloatModes(saved); }
    DenormalsFlushed(const DenormalsFlushed&) = delete;
    DenormalsFlushed& operator=(const DenormalsFlushed&) = delete;

    std::uint32_t saved;
};
