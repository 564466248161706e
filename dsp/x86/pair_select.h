// Which stereo pair this build has: the build says whether the target has SSE2 (CMake
// defines TOLVANE_SSE2 to 1 or 0 for every target), so every file agrees on the pair's
// layout whatever it includes first.
#pragma once

#ifndef TOLVANE_SSE2
#error "TOLVANE_SSE2 comes from the build (CMakeLists.txt)"
#endif

#if TOLVANE_SSE2
#include "dsp/x86/sse2/pair.h"
#else
#include "dsp/generic/pair.h"
#endif
