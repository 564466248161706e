// Flush-to-zero and denormals-are-zero for the duration of one audio callback.
//
// Decaying envelopes and filter tails in silence reach denormal values, which cost the
// x86 core dozens of cycles per operation; many hosts do not set these modes for their
// plug-ins. The host's own control word is restored on the way out.
#pragma once

#if defined(__SSE2__) || defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>

struct DenormalsFlushed {
    static constexpr unsigned kFlushToZero = 0x8000;      // FTZ: denormal results become 0
    static constexpr unsigned kDenormalsAreZero = 0x0040; // DAZ: denormal inputs read as 0

    DenormalsFlushed() : saved(_mm_getcsr()) {
        _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero);
    }
    ~DenormalsFlushed() { _mm_setcsr(saved); }
    DenormalsFlushed(const DenormalsFlushed&) = delete;
    DenormalsFlushed& operator=(const DenormalsFlushed&) = delete;

    unsigned saved;
};
#else
struct DenormalsFlushed {
    DenormalsFlushed() {} // other processors: nothing to switch
};
#endif
