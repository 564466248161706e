#include "bench/peer/lsp_bands.h"

#include "bench/peer/vst_peer.h"

#include <cmath>

namespace peer {

namespace {

// The plug-in's parameter ranges: frequency 10 Hz..24 kHz on a log scale, gain -36..+36
// dB and quality 0..100 on linear ones; 0.125 selects the bell (its display says "Bell").
constexpr float kBellType = 0.125f;
constexpr float kFirstMode = 0.0f;
constexpr float kSlopeX1 = 0.0f;

float normalisedFrequency(double hz) {
    return static_cast<float>(std::log(hz / 10.0) / std::log(24000.0 / 10.0));
}
float normalisedGain(double db) {
    return static_cast<float>((db + 36.0) / 72.0);
}
float normalisedQuality(double q) {
    return static_cast<float>(q / 100.0);
}

std::string indexed(const char* prefix, int band) {
    return std::string(prefix) + "_" + std::to_string(band);
}

} // namespace

std::vector<Setting> lspExtraBells(int first) {
    std::vector<Setting> settings;
    const int count = kLspBands - first;
    for (int i = 0; i < count; ++i) {
        const int band = first + i;
        // 40 Hz to 16 kHz in equal ratios, alternating +1.5 and -1 dB.
        const double hz = 40.0 * std::pow(400.0, static_cast<double>(i) / (count - 1));
        const double db = i % 2 == 0 ? 1.5 : -1.0;
        settings.push_back({indexed("ft", band), kBellType});
        settings.push_back({indexed("fm", band), kFirstMode});
        settings.push_back({indexed("s", band), kSlopeX1});
        settings.push_back({indexed("f", band), normalisedFrequency(hz)});
        settings.push_back({indexed("g", band), normalisedGain(db)});
        settings.push_back({indexed("q", band), normalisedQuality(1.0)});
    }
    return settings;
}

std::vector<std::string> lspBandSummary(AEffect* effect) {
    std::vector<std::string> lines;
    for (int band = 0; band < kLspBands; ++band) {
        const int type = findParameter(effect, indexed("ft", band));
        if (type < 0 || queryText(effect, effGetParamDisplay, type) == "Off") {
            continue;
        }
        std::string line =
            indexed("band", band) + ": " + queryText(effect, effGetParamDisplay, type);
        for (const char* field : {"f", "g", "q"}) {
            const int index = findParameter(effect, indexed(field, band));
            line += std::string("  ") + field + " " +
                    (index < 0 ? "?" : queryText(effect, effGetParamDisplay, index));
        }
        lines.push_back(line);
    }
    return lines;
}

} // namespace peer
