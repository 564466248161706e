// processBlock's loop for a cascade the skewed kernel takes (up to eight stages, on
// processors with AVX2); see process_skewed.cpp.
#pragma once

#include "dsp/audio_path.h"
#include "dsp/cascade_skewed.h"
#include "dsp/kernels.h"

// Runs the block through `cascade` with `pipe` set up for it (k.startSkewed), then lets the
// pipeline empty: the states in `cascade` are then those of the plain loop.
void processSkewed(const Kernels& k, Engine& inst, Cascade& cascade, SkewedCascade& pipe,
                   OutputStage out, float* left, float* right, std::int32_t count) noexcept;
