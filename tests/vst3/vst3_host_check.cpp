// The VST 3 build loaded by our own test host, as a DAW loads it, and checked against the
// VST 2.4 build of the same sources.
//
//     vst3_host_check <Tolvane-Q.vst3 bundle> <Tolvane-Q.so | Tolvane-Q.dll>
//                     [--only identity,parameters,output,state,lifecycle,editor]
//                     [--fuzz <records>] [--out <dir for pictures>] [--prefix <name>]
//
// Built with TOLVANE_VST3_LINKED, the plug-in's VST 3 layer is linked in (with the
// sanitizers) instead of loaded, and the bundle argument is left out:
//     vst3_linked_check <Tolvane-Q.so> [options]
#include "tests/vst3/host_checks.h"

#if defined(TOLVANE_VST3_LINKED)
#include "vst3/factory.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vst3check {

namespace {

int passed = 0;
int failed = 0;

} // namespace

bool expect(bool ok, const char* group, const std::string& what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAIL [%s] %s\n", group, what.c_str());
        std::fflush(stdout);
    }
    return ok;
}

int finish() {
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 && passed > 0 ? 0 : 1;
}

std::string str(double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.9g", v);
    return buffer;
}

} // namespace vst3check

int main(int argc, char** argv) {
#if defined(TOLVANE_VST3_LINKED)
    const int first = 2;
    std::string only = "identity,parameters,output,state,lifecycle";
#else
    const int first = 3;
    std::string only = "identity,parameters,output,state,lifecycle,editor";
#endif
    if (argc < first) {
        std::printf("usage: vst3_host_check <bundle> <vst2 plug-in> [--only groups] "
                    "[--fuzz n] [--out dir]\n");
        return 1;
    }
    vst3check::Context context;
    context.bundle = first == 3 ? argv[1] : "(linked)";
    context.vst2Path = argv[first - 1];
    context.outDir = ".";
    for (int i = first; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--only") == 0) {
            only = argv[i + 1];
        } else if (std::strcmp(argv[i], "--fuzz") == 0) {
            context.fuzzRecords = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--out") == 0) {
            context.outDir = argv[i + 1];
        } else if (std::strcmp(argv[i], "--prefix") == 0) {
            context.prefix = argv[i + 1];
        }
    }
    std::string error;
#if defined(TOLVANE_VST3_LINKED)
    auto module = vst3host::Module::linked(vst3::moduleFactory(), error);
#else
    auto module = vst3host::Module::load(context.bundle, error);
#endif
    if (!vst3check::expect(module != nullptr, "module", "load " + context.bundle + ": " + error)) {
        return vst3check::finish();
    }
    context.module = module.get();
    const auto wanted = [&only](const char* group) {
        return ("," + only + ",").find("," + std::string(group) + ",") != std::string::npos;
    };
    const struct {
        const char* name;
        void (*run)(vst3check::Context&);
    } groups[] = {
        {"identity", vst3check::checkIdentity},
        {"parameters", vst3check::checkParameters},
        {"output", vst3check::checkOutput},
        {"state", vst3check::checkState},
        {"lifecycle", vst3check::checkLifecycle},
#if !defined(TOLVANE_VST3_LINKED)
        {"editor", vst3check::checkEditor},
#endif
    };
    for (const auto& group : groups) {
        if (wanted(group.name)) {
            std::printf("== %s\n", group.name);
            std::fflush(stdout);
            group.run(context);
        }
    }
    module.reset();
    vst3check::expect(vst3host::Module::lastExitResult(), "module", "module exit answered false");
    return vst3check::finish();
}
