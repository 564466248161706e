// The checks the VST 3 test host runs, in groups, and their tally. Each failure prints its
// group and what differed; the program ends with "N passed, N failed" and exits 0 only
// when nothing failed (and something ran).
#pragma once

#include "tests/vst3/host_plugin.h"

#include <string>

namespace vst3check {

bool expect(bool ok, const char* group, const std::string& what);
// Prints the tally; the exit status.
int finish();
std::string str(double v);

struct Context {
    const vst3host::Module* module = nullptr;
    std::string bundle;
    std::string vst2Path;               // the VST 2.4 build of the same sources
    std::string outDir;                 // where pictures are left ...
    std::string prefix = "vst3-editor"; // ... as <prefix>-x1.ppm, -x2.ppm and -vst2.ppm
    int fuzzRecords = 10000;
};

// Factory and class identity, buses and arrangements.
void checkIdentity(Context& context);
// Parameter list, texts against the VST 2.4 build's, parsing back, plain values.
void checkParameters(Context& context);
// Output against the VST 2.4 build with sample-accurate automation; 64-bit against 32-bit;
// block sizes; activation resets; silence flags.
void checkOutput(Context& context);
// State round trips, refusal of damaged records, and the fuzz pass.
void checkState(Context& context);
// The host's call sequence in every order.
void checkLifecycle(Context& context);
// The editor view (X11 under Xvfb on Linux, HWND under wine on Windows).
void checkEditor(Context& context);

} // namespace vst3check
