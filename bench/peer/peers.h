// The plug-ins under test, each able to open a configured, started instance for a block
// size.
#pragma once

#include "bench/peer/param_settings.h"
#include "bench/peer/vst_peer.h"

#include <functional>
#include <string>
#include <vector>

namespace peer {

struct PluginUnderTest {
    std::string label;
    std::function<Instance(int blockSize, std::string& error)> open;
};

PluginUnderTest loadedTolvane(const Module& module);
PluginUnderTest staticTolvane(int bandCount);
// LSP's equalizer configured by `settings`; an instance fails to open when the plug-in
// does not know one of the names.
PluginUnderTest lspEqualizer(const Module& module, std::vector<Setting> settings,
                             const std::string& label);

} // namespace peer
