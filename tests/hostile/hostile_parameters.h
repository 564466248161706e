// setParameter and getParameter with indices outside the record's range and values no
// automation lane should produce. A bad index changes nothing and reads as 0; a valid
// index reads back within [0, 1] whatever it was given, and the audio stays finite.
#pragma once

#include "tests/hostile/hostile_plugin.h"

#include <cstdint>

namespace hostile {

inline constexpr std::int32_t kBadIndices[] = {-1, 5, INT32_MIN, INT32_MAX};

struct OddValue {
    const char* label;
    float value;
};

inline constexpr OddValue kOddValues[] = {
    {"NaN", kNaN}, {"+Inf", kInf},  {"-Inf", -kInf},         {"-1", -1.0f},
    {"2", 2.0f},   {"1e30", 1e30f}, {"denormal", kDenormal},
};

inline std::vector<float> parameterValues(AEffect* e) {
    std::vector<float> values;
    for (std::int32_t i = 0; i < e->numParams; ++i) {
        values.push_back(e->getParameter(e, i));
    }
    return values;
}

// Compared bit for bit: a stray write of the same value is harmless, any other is not.
inline bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

inline void checkBadIndex(const Harness& h, AEffect* e, std::int32_t index) {
    const std::string row = "parameter index " + std::to_string(index);
    for (const OddValue& v : kOddValues) {
        const std::vector<float> before = parameterValues(e);
        e->setParameter(e, index, v.value);
        const float answer = e->getParameter(e, index);
        h.expect(answer == 0.0f, row, "set to " + std::string(v.label) + ", reads " + fmt(answer));
        h.expect(sameBits(before, parameterValues(e)), row,
                 "set to " + std::string(v.label) + " changed a valid parameter");
    }
}

inline void checkOddValues(const Harness& h, Plugin& p, std::int32_t index, const Stereo& in,
                           Stereo& out) {
    AEffect* e = p.effect();
    const std::string row = "parameter " + std::to_string(index);
    const float original = e->getParameter(e, index);
    std::size_t position = 0;
    for (const OddValue& v : kOddValues) {
        e->setParameter(e, index, v.value);
        const float answer = e->getParameter(e, index);
        h.expect(answer >= 0.0f && answer <= 1.0f, row,
                 "set to " + std::string(v.label) + ", reads " + fmt(answer));
        p.run(in, out, position, kBlock);
        h.expect(allFinite(out, position, kBlock), row,
                 "set to " + std::string(v.label) + ", the next block is not finite");
        position += kBlock;
        e->setParameter(e, index, original);
    }
}

inline void checkParameterAbuse(const Harness& h) {
    Plugin p(h);
    h.expect(p.ok(), "parameters", "no instance");
    if (!p.ok()) {
        return;
    }
    h.expect(p.effect()->numParams == 5, "parameters",
             "the record announces " + std::to_string(p.effect()->numParams) + " parameters");
    for (const std::int32_t index : kBadIndices) {
        checkBadIndex(h, p.effect(), index);
    }
    const Stereo in = music(kSecond);
    Stereo out(in.frames());
    for (std::int32_t index = 0; index < p.effect()->numParams; ++index) {
        checkOddValues(h, p, index, in, out);
    }
}

} // namespace hostile
