// What the benchmark checks before it times anything, each on fresh instances.
#pragma once

#include "bench/peer/peers.h"
#include "bench/peer/signals.h"

#include <vector>

namespace peer {

// Every plug-in changes the signal and keeps a sane level; false if one does not.
bool checkOutputs(const std::vector<PluginUnderTest>& plugins, const StereoSignal& signal);
// The linked-in and the loaded Tolvane-Q, fed the same signal, should give the same output.
bool compareBuilds(const PluginUnderTest& linked, const PluginUnderTest& loaded,
                   const StereoSignal& signal);
// The bands a configured LSP instance reports, as its own displays show them.
bool printLspBands(const PluginUnderTest& lsp);

} // namespace peer
