#include "bench/peer/static_tolvane.h"

#include "host/entry.h"
#include "host/plugin_instance.h"

#include <cmath>
#include <mutex>

namespace peer {

namespace {

void closeStatic(AEffect* effect) {
    closeWithEffClose(effect);
    releaseRecord(effect); // no host frees a record; a test host that made it does
}

// The edit the editor makes when bands are added: under the instance lock, then a
// rebuild; the audio engine adopts it at its next block. The bells are those of the
// 24-band case in bench/bench_process.cpp.
void addBells(PluginInstance& inst, int bandCount) {
    const std::lock_guard<std::mutex> edit(inst.engine.lock);
    if (static_cast<int>(inst.engine.edit.bands.size()) >= bandCount) {
        return;
    }
    for (int i = 0; static_cast<int>(inst.engine.edit.bands.size()) < bandCount; ++i) {
        const double hz = 40.0 * std::pow(1.33, i);
        inst.engine.edit.bands.push_back(
            Band{true, hz, i % 2 == 0 ? 2.5 : -2.0, 1.2, Bell, 0, i % 5 == 0});
    }
    rebuildFilters(inst.engine.edit);
}

} // namespace

Instance openStaticTolvane(int bandCount, int blockSize, std::string& error) {
    Instance instance = openInstance(&VSTPluginMain, closeStatic, blockSize, error);
    if (instance) {
        addBells(*static_cast<PluginInstance*>(instance.effect()->user), bandCount);
    }
    return instance;
}

} // namespace peer
