#include "bench/peer/peers.h"

#include "bench/peer/static_tolvane.h"

#include <utility>

namespace peer {

PluginUnderTest loadedTolvane(const Module& module) {
    const EntryPoint entry = module.entry();
    return {"Tolvane-Q.so 7 bands", [entry](int blockSize, std::string& error) {
                return openInstance(entry, closeWithEffClose, blockSize, error);
            }};
}

PluginUnderTest staticTolvane(int bandCount) {
    return {"Tolvane-Q static " + std::to_string(bandCount) + " bands",
            [bandCount](int blockSize, std::string& error) {
                return openStaticTolvane(bandCount, blockSize, error);
            }};
}

PluginUnderTest lspEqualizer(const Module& module, std::vector<Setting> settings,
                             const std::string& label) {
    const EntryPoint entry = module.entry();
    return {label, [entry, settings = std::move(settings)](int blockSize, std::string& error) {
                Instance instance = openInstance(entry, closeWithEffClose, blockSize, error);
                if (!instance) {
                    return instance;
                }
                const std::vector<std::string> missing = applySettings(instance.effect(), settings);
                if (!missing.empty()) {
                    error = "the plug-in has no parameter named";
                    for (const std::string& name : missing) {
                        error += " " + name;
                    }
                    return Instance{};
                }
                return instance;
            }};
}

} // namespace peer
