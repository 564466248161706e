#include "bench/peer/checks.h"

#include "bench/peer/lsp_bands.h"
#include "bench/peer/output_check.h"

#include <cstdio>
#include <memory>

namespace peer {

namespace {

constexpr int kCheckBlock = 512;
constexpr double kCheckSeconds = 2.0;

std::unique_ptr<Stream> freshStream(const PluginUnderTest& plugin, const StereoSignal& signal) {
    std::string error;
    Instance instance = plugin.open(kCheckBlock, error);
    if (!instance) {
        std::fprintf(stderr, "tolvane_peer_bench: %s: %s\n", plugin.label.c_str(), error.c_str());
        return nullptr;
    }
    return std::make_unique<Stream>(std::move(instance), signal, kCheckBlock);
}

} // namespace

bool checkOutputs(const std::vector<PluginUnderTest>& plugins, const StereoSignal& signal) {
    std::printf("\n== output check: %.0f s of %s noise in %d-frame blocks, fresh instances\n",
                kCheckSeconds, signal.name.c_str(), kCheckBlock);
    bool allProcess = true;
    for (const PluginUnderTest& plugin : plugins) {
        const std::unique_ptr<Stream> stream = freshStream(plugin, signal);
        if (!stream) {
            return false;
        }
        const OutputCheck check = checkOutput(*stream, kCheckSeconds);
        printOutputCheck(plugin.label, check);
        allProcess = allProcess && check.filters();
    }
    return allProcess;
}

bool compareBuilds(const PluginUnderTest& linked, const PluginUnderTest& loaded,
                   const StereoSignal& signal) {
    const std::unique_ptr<Stream> a = freshStream(linked, signal);
    const std::unique_ptr<Stream> b = freshStream(loaded, signal);
    if (!a || !b) {
        return false;
    }
    std::printf("%s against %s on %s: largest sample difference %.3g\n", linked.label.c_str(),
                loaded.label.c_str(), signal.name.c_str(),
                largestDifference(*a, *b, kCheckSeconds));
    return true;
}

bool printLspBands(const PluginUnderTest& lsp) {
    std::string error;
    const Instance instance = lsp.open(kCheckBlock, error);
    if (!instance) {
        std::fprintf(stderr, "tolvane_peer_bench: %s: %s\n", lsp.label.c_str(), error.c_str());
        return false;
    }
    std::printf("\n== %s as the plug-in displays its bands (every setting's name was found; "
                "the 7-band case is bands 0..6)\n",
                lsp.label.c_str());
    for (const std::string& line : lspBandSummary(instance.effect())) {
        std::printf("  %s\n", line.c_str());
    }
    return true;
}

} // namespace peer
