// The product engine, however it reorganises the work, sounds like the reference engine:
// within 1e-6 at every output sample, over band sets, rates, block sizes, automation and
// host bypass mid-stream, a silent tail and NaN and infinity bursts. This is the Linux
// build's code, linked in; tests/wine/dll_equivalence.cpp checks the DLL the same way.
#include "dsp/kernels.h"
#include "host/entry.h"
#include "host/plugin_instance.h"
#include "tests/equivalence/equivalence_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>

namespace {

using equivalence::Scenario;

// The editor's way of changing the band list: under the lock, then a rebuild.
void setBands(AEffect* effect, const std::vector<Band>& bands) {
    auto& inst = *static_cast<PluginInstance*>(effect->user);
    const std::lock_guard<std::mutex> held(inst.engine.lock);
    inst.engine.edit.bands = bands;
    rebuildFilters(inst.engine.edit);
}

AEffect* openLinked(HostCallback callback) {
    return VSTPluginMain(callback);
}

const equivalence::Product kLinked{openLinked, setBands, releaseRecord};

class EngineEquivalence : public ::testing::TestWithParam<Scenario> {};

// Every vector path the processor has: the widest, the wide one, and the baseline the DLL
// falls back to on older processors.
TEST_P(EngineEquivalence, MatchesTheReferenceAtEverySample) {
    const Scenario& s = GetParam();
    for (const VectorPath path : {VectorPath::Widest, VectorPath::Wide, VectorPath::Baseline}) {
        limitVectorPath(path);
        const char* name = vectorPathInUse() == VectorPath::Widest ? "widest"
                           : vectorPathInUse() == VectorPath::Wide ? "wide"
                                                                   : "baseline";
        if (vectorPathInUse() != path) {
            limitVectorPath(VectorPath::Widest);
            continue; // this processor lacks the path: the one it falls to runs in its turn
        }
        const equivalence::Comparison c = equivalence::run(kLinked, s, equivalence::kTolerance);
        limitVectorPath(VectorPath::Widest);
        std::printf("%s (%s vectors): largest difference %.3g over %ld frames\n", s.name.c_str(),
                    name, c.largest, c.frames);
        EXPECT_GT(c.frames, 0) << name;
        EXPECT_LE(c.largest, equivalence::kTolerance) << name << ", first at " << c.firstBad;
        EXPECT_EQ(c.mismatchedFinite, 0) << name << ", first at frame " << c.firstBad;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, EngineEquivalence, ::testing::ValuesIn(equivalence::scenarios()),
                         [](const auto& info) { return info.param.name; });

} // namespace
