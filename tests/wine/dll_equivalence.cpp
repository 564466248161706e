// Tolvane-Q.dll against the reference engine, compiled into this host: within 1e-6 at every
// output sample over the same scenarios as the Linux build's equivalence test.
//
//     dll_equivalence.exe Tolvane-Q.dll
//
// TOLVANE_VECTOR_PATH (baseline, avx2, avx512) caps the DLL's vector path as it loads;
// tests/integration/equivalence.cmake runs this once per path. A path this processor lacks
// exits 77 (skipped). Prints one line per scenario and "N passed, N failed"; exits 0 when
// all passed, 1 otherwise.
#include "host/plugin_instance.h"
#include "tests/equivalence/equivalence_support.h"
#include "tests/wine/check_support.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using Entry = AEffect*(VST_CALL*)(HostCallback);
Entry dllEntry = nullptr;

AEffect* openDll(HostCallback callback) {
    return dllEntry(callback);
}

// Bands are not host parameters. Before the first block no other thread touches the
// instance, so the list is set directly (the DLL's instance has this build's layout: same
// compiler, same headers) and the DLL's own rebuild is run through a parameter set to the
// value it already has.
void setBands(AEffect* effect, const std::vector<Band>& bands) {
    static_cast<PluginInstance*>(effect->user)->engine.edit.bands = bands;
    effect->setParameter(effect, ParamCoupling, effect->getParameter(effect, ParamCoupling));
}

// Whether this processor has the path TOLVANE_VECTOR_PATH names (the DLL would fall to a
// narrower one), as the DLL itself decides it.
bool processorHas(const char* path) {
    __builtin_cpu_init();
    const bool wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    const bool widest =
        wide && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
    return std::strcmp(path, "avx512") == 0 ? widest : std::strcmp(path, "avx2") == 0 ? wide : true;
}

constexpr int kSkipped = 77;

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 2) {
        std::printf("usage: dll_equivalence.exe <Tolvane-Q.dll>\n");
        return 1;
    }
    const char* path = std::getenv("TOLVANE_VECTOR_PATH");
    if (path != nullptr && !processorHas(path)) {
        std::printf("skipped: this processor has no %s path\n", path);
        return kSkipped;
    }
    std::printf("vector path: %s\n", path != nullptr ? path : "the widest the processor has");
    HMODULE module = LoadLibraryA(argv[1]);
    dllEntry = module ? reinterpret_cast<Entry>(
                            reinterpret_cast<void*>(GetProcAddress(module, "VSTPluginMain")))
                      : nullptr;
    if (!check::expect(dllEntry != nullptr, "load", "VSTPluginMain not found")) {
        return check::finish();
    }
    const equivalence::Product dll{openDll, setBands, nullptr};
    for (const equivalence::Scenario& s : equivalence::scenarios()) {
        const equivalence::Comparison c = equivalence::run(dll, s, equivalence::kTolerance);
        std::printf("%s: largest difference %.3g over %ld frames\n", s.name.c_str(), c.largest,
                    c.frames);
        check::expect(c.frames > 0 && c.largest <= equivalence::kTolerance && c.mismatchedKind == 0,
                      s.name.c_str(), "first difference at frame " + check::str(c.firstBad));
    }
    return check::finish();
}
