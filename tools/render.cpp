#include "tools/render.h"

#include "tools/plugin_loader.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace {

// Index of the parameter a setting names: its decimal index, or its exact name.
int findParameter(AEffect* effect, const std::string& key) {
    char* end = nullptr;
    const long index = std::strtol(key.c_str(), &end, 10);
    if (!key.empty() && *end == '\0') {
        return index >= 0 && index < effect->numParams ? static_cast<int>(index) : -1;
    }
    for (int i = 0; i < effect->numParams; ++i) {
        if (queryText(effect, effGetParamName, i) == key) {
            return i;
        }
    }
    return -1;
}

} // namespace

bool preparePlugin(AEffect* effect, int sampleRate, int blockSize,
                   const std::vector<ParamSetting>& params, std::string& error) {
    dispatch(effect, effOpen);
    dispatch(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effect, effSetBlockSize, 0, blockSize);
    for (const ParamSetting& setting : params) {
        const int index = findParameter(effect, setting.key);
        if (index < 0) {
            error = "the plug-in has no parameter '" + setting.key + "'";
            return false;
        }
        effect->setParameter(effect, index, setting.value);
    }
    return true;
}

StereoAudio renderAudio(AEffect* effect, const StereoAudio& input, int blockSize, double& seconds) {
    StereoAudio output = input;
    const std::size_t total = input.frames();
    // The plug-in reads from the input and writes the separate output buffers.
    std::vector<float> inLeft = input.left;
    std::vector<float> inRight = input.right;
    dispatch(effect, effMainsChanged, 0, 1);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t pos = 0; pos < total; pos += static_cast<std::size_t>(blockSize)) {
        const auto frames =
            static_cast<std::int32_t>(std::min(total - pos, static_cast<std::size_t>(blockSize)));
        float* in[2] = {inLeft.data() + pos, inRight.data() + pos};
        float* out[2] = {output.left.data() + pos, output.right.data() + pos};
        effect->processReplacing(effect, in, out, frames);
    }
    const auto stop = std::chrono::steady_clock::now();
    dispatch(effect, effMainsChanged, 0, 0);
    seconds = std::chrono::duration<double>(stop - start).count();
    return output;
}
