// The band cascade on processors with AVX2 and FMA: the same transposed direct form II as
// runCascade, each multiply-add fused into one rounding. That is up to half a unit in the
// last place closer to the exact result per operation, not bit-identical to the baseline
// path; both stay far inside the engine's tolerance against its reference (tests run both).
#pragma once

#include "dsp/cascade.h"
#include "dsp/detector.h"

#include <cstdint>

#if TOLVANE_SSE2
// Runs the sane samples at the start of `left`/`right` (up to `count`) through every stage,
// writes their outputs to `y` and answers how many it took: it stops before the first
// sample beyond `saneLimit` (or not a number), which the caller runs on the checked path.
// The detector steps of the samples it takes from index `detectFrom` on are run in between
// (`engine` supplies the detector's constants).
std::int32_t runCascadeWide(Cascade& cascade, const Engine& engine, DetectorState& detector,
                            std::int32_t detectFrom, const float* left, const float* right,
                            StereoPair* y, std::int32_t count, double saneLimit) noexcept;
#endif
