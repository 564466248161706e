#include "bench/peer/options.h"

#include "bench/peer/plugin_paths.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace peer {

namespace {

constexpr const char* kUsage =
    "usage: tolvane_peer_bench [TOLVANE_SO] [--lsp PATH] [--lsp-params FILE] [--rounds N]\n"
    "                          [--seconds S] [--warm-up S] [--worst-seconds S]\n"
    "  TOLVANE_SO      Tolvane-Q.so to load (default: the one next to this program)\n"
    "  --lsp PATH      para-equalizer-x16-stereo.so (default: from dpkg -L lsp-plugins-vst)\n"
    "  --lsp-params F  settings for LSP's seven bands (default: ../shared/bench/\n"
    "                  lsp-para-x16-7band.params beside the repository)\n"
    "  --rounds N      interleaved timing rounds (default 21; fewer than 11 is noisy)\n"
    "  --seconds S     audio per configuration per round (default 2)\n"
    "  --warm-up S     audio per instance before the first round (default 0.5)\n"
    "  --worst-seconds S  audio per plug-in for the worst-block figures (default 10)\n"
    "  --which-path    print the vector path the engine runs (TOLVANE_VECTOR_PATH caps it)\n"
    "                  and stop\n";

bool positiveNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value > 0.0;
}

// One "--name value" pair; false when the name is unknown or the value is bad.
bool takeOption(std::string_view name, const char* value, Options& options) {
    double number = 0.0;
    if (name == "--lsp") {
        options.lspPath = value;
    } else if (name == "--lsp-params") {
        options.lspSettings = value;
    } else if (!positiveNumber(value, number)) {
        return false;
    } else if (name == "--rounds") {
        options.rounds = std::max(1, static_cast<int>(number));
    } else if (name == "--seconds") {
        options.secondsPerRound = number;
    } else if (name == "--warm-up") {
        options.warmUpSeconds = number;
    } else if (name == "--worst-seconds") {
        options.worstBlockSeconds = number;
    } else {
        return false;
    }
    return true;
}

} // namespace

bool parseOptions(int argc, char** argv, Options& options, int& exitCode) {
    options.tolvanePath = defaultTolvanePath();
    options.lspSettings = defaultLspSettingsPath();
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            exitCode = 0;
            return false;
        }
        if (arg == "--which-path") {
            options.whichPath = true;
            continue;
        }
        const bool named = arg.starts_with("--");
        if (named && (i + 1 >= argc || !takeOption(arg, argv[i + 1], options))) {
            std::fprintf(stderr, "tolvane_peer_bench: bad option %s\n%s", argv[i], kUsage);
            exitCode = 2;
            return false;
        }
        if (named) {
            ++i;
        } else {
            options.tolvanePath = argv[i];
        }
    }
    return true;
}

} // namespace peer
