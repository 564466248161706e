#include "tools/summary.h"

#include "tools/plugin_loader.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

double toDb(double linear) {
    return linear > 0.0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
}

} // namespace

Levels measureLevels(const StereoAudio& audio) {
    double peak = 0.0;
    double sumSquares = 0.0;
    for (std::size_t i = 0; i < audio.frames(); ++i) {
        const double l = audio.left[i];
        const double r = audio.right[i];
        peak = std::fmax(peak, std::fmax(std::fabs(l), std::fabs(r)));
        sumSquares += l * l + r * r;
    }
    const double count = 2.0 * static_cast<double>(audio.frames());
    return {toDb(peak), toDb(count > 0 ? std::sqrt(sumSquares / count) : 0.0)};
}

void printPluginInfo(AEffect* effect) {
    std::printf("Plug-in:    %s by %s (%s, version %ld)\n",
                queryText(effect, effGetEffectName).c_str(),
                queryText(effect, effGetVendorString).c_str(),
                queryText(effect, effGetProductString).c_str(),
                static_cast<long>(dispatch(effect, effGetVendorVersion)));
}

void printParameters(AEffect* effect) {
    std::printf("Parameters:\n");
    for (int i = 0; i < effect->numParams; ++i) {
        std::printf("  %d %-16s %.4f  %s %s\n", i, queryText(effect, effGetParamName, i).c_str(),
                    static_cast<double>(effect->getParameter(effect, i)),
                    queryText(effect, effGetParamDisplay, i).c_str(),
                    queryText(effect, effGetParamLabel, i).c_str());
    }
}

void printSourceInfo(const std::string& source, const StereoAudio& audio) {
    std::printf("Source:     %s, %d Hz, %s, %.2f s\n", source.c_str(), audio.sampleRate,
                audio.sourceChannels == 1 ? "mono (played on both channels)" : "stereo",
                static_cast<double>(audio.frames()) / audio.sampleRate);
}

void printLevels(const char* label, const Levels& levels) {
    std::printf("%-11s peak %7.2f dBFS, RMS %7.2f dBFS\n", label, levels.peakDb, levels.rmsDb);
}

void printTiming(double audioSeconds, double processSeconds) {
    if (processSeconds > 0.0) {
        std::printf("Time:       %.3f s processing, %.1fx real time\n", processSeconds,
                    audioSeconds / processSeconds);
    } else {
        std::printf("Time:       %.3f s processing\n", processSeconds);
    }
}
