// Between the instance and its saved record: what is captured, how it is put back, and
// the record's passage through the host's stream.
#pragma once

#include "vst3/state_record.h"
#include "vst3/vst3_abi.h"

#include <optional>

struct PluginInstance;

namespace vst3 {

// UI thread. The parameters, bands, preset and selection as they stand.
SavedState captureState(PluginInstance& inst);
// UI thread. Puts everything back, redesigns the filters and repaints an open editor.
void restoreState(PluginInstance& inst, const SavedState& state);

// Reads one whole record from the stream's current position; nothing when the stream
// fails or the record is refused. Never reads past the record.
std::optional<SavedState> readStateRecord(IBStream* stream);
bool writeStateRecord(IBStream* stream, const SavedState& state);

} // namespace vst3
