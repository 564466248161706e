// Tolvane-Q linked into the benchmark itself, so a case can have more bands than the
// factory seven: the band list is not a host parameter, only the editor changes it.
#pragma once

#include "bench/peer/vst_peer.h"

#include <string>

namespace peer {

constexpr int kTolvaneMaxBands = 24;

// An instance made by the linked-in VSTPluginMain and started like any other; when
// `bandCount` exceeds the factory bands, bells spread over the spectrum are added.
Instance openStaticTolvane(int bandCount, int blockSize, std::string& error);

} // namespace peer
