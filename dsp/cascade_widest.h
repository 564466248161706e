// The band cascade on processors with AVX-512: the same fused steps, in the same order, as
// the AVX2 form in cascade_wide.cpp, so the two give identical results. The difference is
// where the running values live. AVX-512 doubles the register file, which holds the states
// of up to eight stages and the detector's running values for a whole run: each sample's
// recursions then go from register to register instead of through a store and a reload,
// which otherwise adds the store-forwarding delay to every stage's feedback loop.
#pragma once

#include "dsp/cascade.h"
#include "dsp/detector.h"

#include <cstdint>

#if TOLVANE_SSE2
// The same contract as runCascadeWide: runs the sane samples at the start of the run (up
// to `count`) through every stage, with the detector steps from `detectFrom` on, writes
// their outputs to `y` and answers how many it took.
std::int32_t runCascadeWidest(Cascade& cascade, const Engine& engine, DetectorState& detector,
                              std::int32_t detectFrom, const float* left, const float* right,
                              StereoPair* y, std::int32_t count, double saneLimit) noexcept;
#endif
