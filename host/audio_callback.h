// The audio callback in the record's processReplacing and process slots.
#pragma once

#include "host/vst_abi.h"

struct PluginInstance;

// Audio thread. Copies inputs to outputs where the buffers differ, processes the outputs in
// place on the instance's audio engine and updates the peak meters. Never waits for a
// lock. A negative frame count is treated as an empty block.
void VST_CALL processReplacing(AEffect* effect, float** inputs, float** outputs,
                               std::int32_t frames);

// Audio thread: when no editing thread holds the lock, adopts the edits made since the last
// call and publishes what the editor shows; otherwise leaves both engines as they are.
void exchangeIfFree(PluginInstance& inst);

// The meters after a block: each holds the block's peak, or its previous value times 0.88
// when that is larger, so they fall by that factor per callback while the signal is quieter.
void updateMeters(PluginInstance& inst, const float* left, const float* right, std::int32_t frames);
