// tolvane_peer_bench: Tolvane-Q against LSP's Parametric Equalizer x16, both loaded
// through their VST 2.4 entry points and timed in processReplacing on the same signals.
// A speed measurement, never part of the pass/fail suite.
#include "bench/peer/checks.h"
#include "bench/peer/lsp_bands.h"
#include "bench/peer/options.h"
#include "bench/peer/peers.h"
#include "bench/peer/plugin_paths.h"
#include "bench/peer/report.h"
#include "bench/peer/rounds.h"
#include "bench/peer/static_tolvane.h"
#include "bench/peer/worst_block.h"
#include "dsp/kernels.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace peer;

namespace {

constexpr int kBlockSizes[] = {64, 512};
enum Lineup { LoadedTolvane, Lsp7, StaticTolvane7, StaticTolvane24, Lsp16 };
constexpr int kSettingsFileBands = 7; // the settings file configures LSP's bands 0..6
constexpr double kPinkDbfs = -20.0;
constexpr std::uint64_t kPinkSeed = 0x70696E6B; // 'pink'

bool loadModule(Module& module, const std::string& path, const char* what) {
    std::string error;
    if (path.empty() || !module.load(path, error)) {
        std::fprintf(stderr, "tolvane_peer_bench: %s: %s\n", what,
                     path.empty() ? "not found (install lsp-plugins-vst or pass --lsp)"
                                  : error.c_str());
        return false;
    }
    std::printf("%-8s %s\n", what, path.c_str());
    return true;
}

bool lspSettings(const Options& options, std::vector<Setting>& seven,
                 std::vector<Setting>& sixteen) {
    std::string error;
    if (!readSettings(options.lspSettings, seven, error)) {
        std::fprintf(stderr, "tolvane_peer_bench: %s\n", error.c_str());
        return false;
    }
    std::printf("settings %s (%zu values)\n", options.lspSettings.c_str(), seven.size());
    sixteen = seven;
    const std::vector<Setting> extra = lspExtraBells(kSettingsFileBands);
    sixteen.insert(sixteen.end(), extra.begin(), extra.end());
    return true;
}

bool buildConfigurations(const std::vector<PluginUnderTest>& plugins,
                         const std::vector<const StereoSignal*>& signals,
                         std::vector<Configuration>& configurations) {
    for (const PluginUnderTest& plugin : plugins) {
        for (const StereoSignal* signal : signals) {
            for (int blockSize : kBlockSizes) {
                std::string error;
                Instance instance = plugin.open(blockSize, error);
                if (!instance) {
                    std::fprintf(stderr, "tolvane_peer_bench: %s: %s\n", plugin.label.c_str(),
                                 error.c_str());
                    return false;
                }
                auto stream = std::make_unique<Stream>(std::move(instance), *signal, blockSize);
                configurations.push_back(
                    Configuration{plugin.label, signal, std::move(stream), {}});
            }
        }
    }
    return true;
}

// The vector path the linked-in engine runs; the loaded one reads the same
// TOLVANE_VECTOR_PATH from the environment and the same processor, so it runs it too.
const char* vectorPath() {
    return kernels().name;
}

void printTimings(const std::vector<Configuration>& configurations,
                  const std::vector<PluginUnderTest>& plugins, const Options& options) {
    std::printf("\n== thread CPU time per stereo frame, median of %d interleaved rounds of %.1f s "
                "of audio each\n",
                options.rounds, options.secondsPerRound);
    printMedians(configurations);
    std::printf("\n== seven bands each (vector path %s)\n", vectorPath());
    printRatios(configurations, plugins[LoadedTolvane].label, plugins[Lsp7].label);
    std::printf("\n== all bands: Tolvane-Q's 24 against LSP's 16 (vector path %s)\n", vectorPath());
    printRatios(configurations, plugins[StaticTolvane24].label, plugins[Lsp16].label);
    std::printf("\n== the same seven-band Tolvane-Q, linked in against loaded (should be ~1; "
                "vector path %s)\n",
                vectorPath());
    printRatios(configurations, plugins[StaticTolvane7].label, plugins[LoadedTolvane].label);
}

// Other jobs on the machine show up as spread between rounds and in the wall times.
void printLoad(const char* when) {
    double load[3] = {};
    if (getloadavg(load, 3) == 3) {
        std::printf("load average %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
    }
}

std::vector<PeriodPeak> worstBlocks(std::vector<Configuration>& configurations,
                                    const std::vector<PluginUnderTest>& plugins, double seconds) {
    std::vector<Configuration*> series;
    for (Configuration& c : configurations) {
        const bool sevenBands =
            c.plugin == plugins[LoadedTolvane].label || c.plugin == plugins[Lsp7].label;
        if (sevenBands && c.blockSize() == 64) {
            series.push_back(&c);
        }
    }
    std::printf("\n== worst single block against the median block (vector path %s)\n",
                vectorPath());
    return measureWorstBlocks(series, seconds);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    int exitCode = 0;
    if (!parseOptions(argc, argv, options, exitCode)) {
        return exitCode;
    }
    if (options.whichPath) { // for scripts/bench.sh --all-paths: what a cap really gives
        std::printf("%s\n", vectorPath());
        return 0;
    }
    std::printf("vector path %s (TOLVANE_VECTOR_PATH %s)\n", vectorPath(),
                std::getenv("TOLVANE_VECTOR_PATH") != nullptr ? std::getenv("TOLVANE_VECTOR_PATH")
                                                              : "unset");
    const auto frames = static_cast<std::size_t>(
        std::ceil(options.signalSeconds * kSampleRate / kMaxBlock) * kMaxBlock);
    const StereoSignal pink = makePinkNoise(frames, kPinkDbfs, kPinkSeed);
    const StereoSignal music = makeProgramme(frames, kSampleRate);
    std::printf("signals  %.2f s each at %.0f Hz: pink %.1f/%.1f dBFS RMS, music %.1f/%.1f dBFS "
                "RMS (L/R)\n",
                static_cast<double>(frames) / kSampleRate, kSampleRate, rmsDbfs(pink.left),
                rmsDbfs(pink.right), rmsDbfs(music.left), rmsDbfs(music.right));

    Module tolvane;
    Module lsp;
    std::vector<Setting> seven;
    std::vector<Setting> sixteen;
    if (!loadModule(tolvane, options.tolvanePath, "Tolvane") ||
        !loadModule(lsp, options.lspPath.empty() ? findLspEqualizer() : options.lspPath, "LSP") ||
        !lspSettings(options, seven, sixteen)) {
        return 1;
    }
    const std::vector<PluginUnderTest> plugins = {
        loadedTolvane(tolvane), lspEqualizer(lsp, seven, "LSP x16 7 bands"), staticTolvane(7),
        staticTolvane(kTolvaneMaxBands), lspEqualizer(lsp, sixteen, "LSP x16 16 bands")};
    if (!checkOutputs(plugins, pink) ||
        !compareBuilds(plugins[StaticTolvane7], plugins[LoadedTolvane], music) ||
        !printLspBands(plugins[Lsp16])) {
        return 1;
    }

    std::vector<Configuration> configurations;
    if (!buildConfigurations(plugins, {&pink, &music}, configurations)) {
        return 1;
    }
    printLoad("before timing");
    warmUp(configurations, options.warmUpSeconds);
    runRounds(configurations, options.rounds, options.secondsPerRound);
    printTimings(configurations, plugins, options);
    const std::vector<PeriodPeak> peaks =
        worstBlocks(configurations, plugins, options.worstBlockSeconds);
    printLoad("after timing");
    printSummary(vectorPath(), configurations,
                 {{"7 bands / LSP 7", plugins[LoadedTolvane].label, plugins[Lsp7].label},
                  {"24 bands / LSP 16", plugins[StaticTolvane24].label, plugins[Lsp16].label}},
                 peaks);
    return 0;
}
