// The product engine, however it reorganises the work, sounds like the reference engine:
// within 1e-6 at every output sample, and not a number or each infinity exactly where the
// reference has it, over band sets of 1 to 24 stages, rates, block sizes, automation, host
// bypass, band edits, rate changes and suspend and resume mid-stream, a silent tail and
// NaN and infinity bursts. This is the Linux
// build's code, linked in; tests/wine/dll_equivalence.cpp checks the DLL the same way.
#include "dsp/kernels.h"
#include "host/entry.h"
#include "host/plugin_instance.h"
#include "tests/equivalence/equivalence_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// The vector path in use: the widest the processor has, or the one TOLVANE_VECTOR_PATH
// names (tests/integration/equivalence.cmake runs this once per path). A path the
// processor lacks is a skip, never a pass on a narrower path.
TEST_P(EngineEquivalence, MatchesTheReferenceAtEverySample) {
    const char* wanted = std::getenv("TOLVANE_VECTOR_PATH");
    const char* name = kernels().name;
    if (wanted != nullptr && std::strcmp(wanted, name) != 0) {
        GTEST_SKIP() << "this processor has no " << wanted << " path (" << name << " at most)";
    }
    const Scenario& s = GetParam();
    const equivalence::Comparison c = equivalence::run(kLinked, s, equivalence::kTolerance);
    std::printf("%s (%s): largest difference %.3g over %ld frames\n", s.name.c_str(), name,
                c.largest, c.frames);
    EXPECT_GT(c.frames, 0);
    EXPECT_LE(c.largest, equivalence::kTolerance) << "first at " << c.firstBad;
    EXPECT_EQ(c.mismatchedKind, 0) << "first at frame " << c.firstBad;
}

INSTANTIATE_TEST_SUITE_P(Rows, EngineEquivalence, ::testing::ValuesIn(equivalence::scenarios()),
                         [](const auto& info) { return info.param.name; });

} // namespace
