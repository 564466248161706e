// Driving the product plug-in (through its entry point, as a host does) and the reference
// engine side by side with the same programme, the same edits at the same block
// boundaries, and comparing every output sample.
#pragma once

#include "dsp/engine.h"
#include "dsp/factory_bands.h"
#include "host/vst_abi.h"
#include "tests/reference/reference_engine.h"
#include "tools/programme_signal.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace equivalence {

enum class BandSet { Default, Preset1, Preset2, TwentyFour };

// What happens at a block boundary besides a parameter automation (`param` >= 0).
enum EditKind : int {
    kHostBypass = -1,    // effSetBypass with `value` 0 or 1
    kBandList = -2,      // the scenario's band list number `value` (Scenario::bandLists)
    kSampleRate = -3,    // effSetSampleRate to `value`
    kSuspendResume = -4, // effMainsChanged with `value` 0 (suspend) or 1 (resume)
};
struct Edit {
    long atFrame;
    int param; // a parameter index or an EditKind
    float value;
};

struct Scenario {
    std::string name;
    BandSet bands;
    double rate;
    int block;
    double musicSeconds;
    std::vector<Edit> edits;
    std::size_t bandCount = 0;                  // the set's first bands only (0: all of them)
    std::vector<std::vector<Band>> bandLists{}; // what kBandList edits switch to
};

std::vector<Band> bandsFor(BandSet set);

// The whole input: programme, then a silent tail, with NaN and infinity bursts inside the
// programme. Deterministic.
struct Input {
    std::vector<float> left, right;
};
Input makeInput(const Scenario& s);

struct Comparison {
    double largest = 0.0;    // largest |product - reference| over finite pairs
    long mismatchedKind = 0; // samples where the sides differ in kind: finite, NaN, +inf, -inf
    long frames = 0;
    long firstBad = -1; // first frame whose difference exceeds the tolerance
};

// How the product is reached: its entry point, and a way to give an open instance a band
// list (bands are not host parameters). Natively the engine is linked in; under wine the
// DLL is loaded and its instance reached through the record.
struct Product {
    AEffect* (*entry)(HostCallback);
    void (*setBands)(AEffect* effect, const std::vector<Band>& bands);
    void (*release)(AEffect* effect); // frees a closed record where the host may; or null
};

// Runs both engines over the scenario and compares them sample by sample.
Comparison run(const Product& product, const Scenario& s, double tolerance);

// The scenarios both builds are checked over.
std::vector<Scenario> scenarios();

constexpr double kTolerance = 1e-6;

} // namespace equivalence
