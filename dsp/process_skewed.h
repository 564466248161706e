// processBlock's loop for a cascade the skewed form takes (up to eight stages, on
// processors with AVX-512); see process_skewed.cpp.
#pragma once

#include "dsp/audio_path.h"
#include "dsp/cascade_skewed.h"

#if TOLVANE_SSE2
// Runs the block through `cascade` with `pipe` set up for it (startSkewed), then lets the
// pipeline empty: the states in `cascade` are then those of the plain loop.
void processSkewed(Engine& inst, Cascade& cascade, SkewedCascade& pipe, OutputStage out,
                   float* left, float* right, std::int32_t count) noexcept;
#endif
