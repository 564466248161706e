// tolvane-host: a command-line VST 2.4 host for rendering audio through a plug-in.
#include "tools/audio_file.h"
#include "tools/options.h"
#include "tools/plugin_loader.h"
#include "tools/render.h"
#include "tools/summary.h"
#include "tools/test_signal.h"

#include <cstdio>
#include <exception>
#include <filesystem>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

bool loadSource(const Options& options, StereoAudio& audio, std::string& error) {
    if (options.inputPath.empty()) {
        audio = generateTestSignal(options.seconds, options.sampleRate);
        return true;
    }
    return readAudioFile(options.inputPath, audio, error);
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ignored;
    return std::filesystem::equivalent(a, b, ignored);
}

bool process(const Options& options, LoadedPlugin& plugin, std::string& error) {
    StereoAudio input;
    if (!loadSource(options, input, error) ||
        !preparePlugin(plugin.effect, input.sampleRate, options.blockSize, options.params, error)) {
        return false;
    }
    printPluginInfo(plugin.effect);
    printSourceInfo(options.inputPath.empty() ? "generated test signal" : options.inputPath, input);
    double seconds = 0.0;
    const StereoAudio output = renderAudio(plugin.effect, input, options.blockSize, seconds);
    printParameters(plugin.effect);
    printLevels("Input:", measureLevels(input));
    printLevels("Output:", measureLevels(output));
    printTiming(static_cast<double>(input.frames()) / input.sampleRate, seconds);
    if (options.outputPath.empty()) {
        return true;
    }
    if (!writeAudioFile(options.outputPath, output, input.format, error)) {
        return false;
    }
    std::printf("Written:    %s\n", options.outputPath.c_str());
    return true;
}

int run(const Options& options) {
    if (!options.inputPath.empty() && !options.outputPath.empty() &&
        sameFile(options.inputPath, options.outputPath)) {
        std::fprintf(stderr, "tolvane-host: the output would overwrite the input\n");
        return kExitUsage;
    }
    LoadedPlugin plugin;
    std::string error;
    if (!loadPlugin(options.pluginPath, plugin, error)) {
        std::fprintf(stderr, "tolvane-host: %s\n", error.c_str());
        return kExitFailure;
    }
    const bool ok = process(options, plugin, error);
    unloadPlugin(plugin);
    if (!ok) {
        std::fprintf(stderr, "tolvane-host: %s\n", error.c_str());
        return kExitFailure;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "tolvane-host: %s (try --help)\n", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        printUsage(argv[0]);
        return 0;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tolvane-host: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "tolvane-host: unexpected failure\n");
    }
    return kExitFailure;
}
