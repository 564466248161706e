// The five host-automatable parameters: the record's setParameter and getParameter slots,
// and the name, label and value texts the dispatcher hands out for them.
#pragma once

#include "host/vst_abi.h"

struct PluginInstance;

// Any thread. Stores the clamped value under inst.engine.lock, redesigns every filter (the gain
// mapping reads the parameters), then repaints an open editor.
void VST_CALL setParameter(AEffect* effect, std::int32_t index, float value);
// Any thread. 0.0 for a missing instance or an index outside 0..4.
float VST_CALL getParameter(AEffect* effect, std::int32_t index);

// NaN and values from 1 up give 1.0, values up to 0 (negative zero included) give 0.0.
float clampParameter(float value);

// Sets one parameter from the host's side; the caller has checked the index.
void applyParameter(PluginInstance& inst, std::int32_t index, float value);

// Texts: name in 16 bytes, label in 8, display in 24, each a zero-padded image.
void writeParamName(std::int32_t index, char* buffer);
void writeParamLabel(std::int32_t index, char* buffer);
void writeParamDisplay(const PluginInstance& inst, std::int32_t index, char* buffer);
// The display text `value` would have, written the same way (24 bytes).
void formatParamDisplay(std::int32_t index, float value, char* buffer);
// Name and label of a valid index, as plain texts.
const char* paramName(std::int32_t index);
const char* paramLabel(std::int32_t index);
