// Two doubles processed together: the left and right channel of one sample, with the lane
// operations of lanes.h. One SSE2 register on x86-64 (x86/sse2/pair.h), a plain pair
// elsewhere (generic/pair.h).
#pragma once

#include "dsp/x86/pair_select.h"
