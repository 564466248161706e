// DLL check row "processing": the audio callback as hosts drive it.
#pragma once

#include "tests/wine/check_support.h"
#include "tests/wine/dll_check_record.h"
#include "tests/wine/fixed_signal.h"

#include <cmath>

namespace rows {

// Null record, buffer arrays or channels, and empty blocks, must leave the host's
// buffers exactly as they were.
inline void checkRefusedBlocks(AEffect* e) {
    float in[2][8], out[2][8];
    for (int i = 0; i < 8; ++i) {
        in[0][i] = in[1][i] = 0.25f;
        out[0][i] = out[1][i] = -3.0f;
    }
    float* inputs[2] = {in[0], in[1]};
    float* outputs[2] = {out[0], out[1]};
    float* noLeft[2] = {nullptr, in[1]};
    float* noRight[2] = {out[0], nullptr};
    e->processReplacing(nullptr, inputs, outputs, 8);
    e->processReplacing(e, nullptr, outputs, 8);
    e->processReplacing(e, inputs, nullptr, 8);
    e->processReplacing(e, noLeft, outputs, 8);
    e->processReplacing(e, inputs, noRight, 8);
    e->processReplacing(e, inputs, outputs, 0);
    bool untouched = true;
    for (int i = 0; i < 8; ++i) {
        untouched = untouched && out[0][i] == -3.0f && out[1][i] == -3.0f;
    }
    check::expect(untouched, "processing", "a refused or empty block wrote to the outputs");
}

inline void checkBypassPassesThrough(AEffect* e) {
    std::vector<float> left, right;
    fixed_signal::make(left, right);
    check::dispatch(e, effSetBypass, 0, 1);
    std::vector<float> outL(512), outR(512);
    float* inputs[2] = {left.data() + 30000, right.data() + 30000};
    float* outputs[2] = {outL.data(), outR.data()};
    e->processReplacing(e, inputs, outputs, 512);
    check::expect(std::equal(outL.begin(), outL.end(), inputs[0]) &&
                      std::equal(outR.begin(), outR.end(), inputs[1]),
                  "processing", "bypassed block differs from its input");
}

inline void checkRenderedSignal(const std::vector<float>& out) {
    std::vector<float> left, right;
    fixed_signal::make(left, right);
    std::size_t finite = 0, changed = 0;
    float loudest = 0.0f;
    for (std::size_t i = 0; i < out.size(); ++i) {
        finite += std::isfinite(out[i]) ? 1 : 0;
        const float in = i % 2 == 0 ? left[i / 2] : right[i / 2];
        changed += out[i] != in ? 1 : 0;
        loudest = std::max(loudest, std::fabs(out[i]));
    }
    check::expect(finite == out.size(), "processing", "non-finite output samples");
    check::expect(changed > out.size() / 2, "processing", "the equalizer left the signal as is");
    check::expect(loudest > 0.1f, "processing", "output nearly silent");
}

// Returns the render of the fixed signal for the cross-build comparison.
inline std::vector<float> checkProcessing(Entry entry) {
    AEffect* separate = entry(hostCallback);
    AEffect* inPlace = entry(hostCallback);
    AEffect* spare = entry(hostCallback);
    if (!check::expect(separate && inPlace && spare, "processing", "no instance")) {
        return {};
    }
    const std::vector<float> out = fixed_signal::render(separate);
    const std::vector<float> outInPlace = fixed_signal::render(inPlace, true);
    check::expect(out.size() == 2 * static_cast<std::size_t>(fixed_signal::kFrames), "processing",
                  "rendered " + check::str(static_cast<long long>(out.size())) + " samples");
    check::expect(out == outInPlace, "processing", "in-place processing differs");
    checkRenderedSignal(out);
    checkRefusedBlocks(spare);
    checkBypassPassesThrough(spare);
    for (AEffect* e : {separate, inPlace, spare}) {
        check::dispatch(e, effClose);
    }
    return out;
}

} // namespace rows
