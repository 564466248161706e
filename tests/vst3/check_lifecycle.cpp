// The host's call sequence: initialize, setupProcessing, setActive, setProcessing, process
// and back, in the orders real hosts use and in orders they should not. A call out of
// order is refused or harmless; the instance stays usable for a legal sequence after it.
#include "tests/vst3/host_checks.h"

#include <cmath>
#include <functional>

using namespace vst3;
using namespace vst3host;

namespace vst3check {

namespace {

constexpr const char* kGroup = "lifecycle";

ProcessSetup setup32() {
    return ProcessSetup{kRealtime, kSample32, 512, kRate};
}

// One block of the fixed signal's loud part; true when process() answered kResultOk and
// the output is finite and not silent.
bool processes(Plugin& plugin) {
    static const Signal signal = fixedSignal();
    std::vector<float> l(signal.left.begin() + 90000, signal.left.begin() + 90512);
    std::vector<float> r(signal.right.begin() + 90000, signal.right.begin() + 90512);
    if (plugin.process(l.data(), r.data(), 512, nullptr) != kResultOk) {
        return false;
    }
    bool sound = false;
    for (std::size_t i = 0; i < l.size(); ++i) {
        if (!std::isfinite(l[i]) || !std::isfinite(r[i])) {
            return false;
        }
        sound = sound || l[i] != 0.0f || r[i] != 0.0f;
    }
    return sound;
}

// A legal run from the start, on an instance whatever happened to it before (a host that
// got refusals ends what it started and begins again).
bool legalRun(Plugin& plugin) {
    plugin.processor->setProcessing(0);
    plugin.component->setActive(0);
    plugin.component->terminate();
    if (!plugin.start()) {
        return false;
    }
    const bool ok = processes(plugin);
    plugin.stop();
    return ok;
}

void checkLegalSequences(const Module& module) {
    {
        Plugin p(module);
        ProcessSetup s = setup32();
        expect(p.component->initialize(&p.host) == kResultOk, kGroup, "initialize");
        expect(p.processor->setupProcessing(s) == kResultOk, kGroup, "setupProcessing");
        expect(p.component->setActive(1) == kResultOk, kGroup, "setActive(1)");
        expect(p.processor->setProcessing(1) == kResultOk, kGroup, "setProcessing(1)");
        expect(processes(p), kGroup, "process");
        expect(p.processor->setProcessing(0) == kResultOk, kGroup, "setProcessing(0)");
        expect(p.component->setActive(0) == kResultOk, kGroup, "setActive(0)");
        // A new rate between activations, as when the host's project rate changes.
        ProcessSetup s2{kRealtime, kSample64, 1024, 96000.0};
        expect(p.processor->setupProcessing(s2) == kResultOk, kGroup,
               "setupProcessing again while inactive");
        expect(p.component->setActive(1) == kResultOk && p.component->setActive(0) == kResultOk,
               kGroup, "activate and deactivate again");
        expect(p.component->terminate() == kResultOk, kGroup, "terminate");
        // Initialized again after terminate: hosts reuse instances.
        expect(legalRun(p), kGroup, "a second life after terminate");
    }
    {
        // Hosts that never call setProcessing (it is optional) still get audio.
        Plugin p(module);
        ProcessSetup s = setup32();
        expect(p.component->initialize(&p.host) == kResultOk &&
                   p.processor->setupProcessing(s) == kResultOk &&
                   p.component->setActive(1) == kResultOk && processes(p),
               kGroup, "processing without setProcessing");
        // Terminate straight from processing: the plug-in winds itself down.
        p.processor->setProcessing(1);
        expect(p.component->terminate() == kResultOk, kGroup, "terminate while active");
        ProcessData nothing{};
        expect(p.processor->process(nothing) != kResultOk, kGroup, "no processing after terminate");
        expect(legalRun(p), kGroup, "usable after terminate while active");
    }
    {
        // Released without terminate: the instance goes away cleanly.
        Plugin p(module);
        expect(p.start() && processes(p), kGroup, "start");
    }
}

// Each row: calls a host should not make at that point. The row's check says what the
// answer must be; after it the instance must still run a legal sequence.
struct Misuse {
    const char* name;
    std::function<bool(Plugin&)> run;
};

void checkMisuse(const Module& module) {
    const auto refused = [](tresult r) { return r != kResultOk; };
    const std::vector<Misuse> rows = {
        {"second initialize",
         [&](Plugin& p) {
             return p.component->initialize(&p.host) == kResultOk &&
                    p.component->initialize(&p.host) == kResultFalse;
         }},
        {"terminate before initialize",
         [&](Plugin& p) { return refused(p.component->terminate()); }},
        {"terminate twice",
         [&](Plugin& p) {
             return p.component->initialize(&p.host) == kResultOk &&
                    p.component->terminate() == kResultOk && refused(p.component->terminate());
         }},
        {"setupProcessing before initialize",
         [&](Plugin& p) {
             ProcessSetup s = setup32();
             return refused(p.processor->setupProcessing(s));
         }},
        {"setupProcessing while active",
         [&](Plugin& p) {
             ProcessSetup s = setup32();
             return p.start() && refused(p.processor->setupProcessing(s)) && processes(p);
         }},
        {"setupProcessing with a bad setup",
         [&](Plugin& p) {
             ProcessSetup zeroRate{kRealtime, kSample32, 512, 0.0};
             ProcessSetup nanRate{kRealtime, kSample32, 512, std::nan("")};
             ProcessSetup noBlock{kRealtime, kSample32, 0, kRate};
             ProcessSetup oddSize{kRealtime, 7, 512, kRate};
             return p.component->initialize(&p.host) == kResultOk &&
                    refused(p.processor->setupProcessing(zeroRate)) &&
                    refused(p.processor->setupProcessing(nanRate)) &&
                    refused(p.processor->setupProcessing(noBlock)) &&
                    refused(p.processor->setupProcessing(oddSize));
         }},
        {"setActive before initialize",
         [&](Plugin& p) { return refused(p.component->setActive(1)); }},
        {"setProcessing(1) before activation",
         [&](Plugin& p) {
             return p.component->initialize(&p.host) == kResultOk &&
                    refused(p.processor->setProcessing(1));
         }},
        {"process before activation",
         [&](Plugin& p) {
             ProcessSetup s = setup32();
             return p.component->initialize(&p.host) == kResultOk &&
                    p.processor->setupProcessing(s) == kResultOk && !processes(p);
         }},
        {"process before initialize", [&](Plugin& p) { return !processes(p); }},
        {"process after deactivation",
         [&](Plugin& p) {
             return p.start() && p.component->setActive(0) == kResultOk && !processes(p);
         }},
        {"setActive(1) twice",
         [&](Plugin& p) {
             return p.start() && p.component->setActive(1) == kResultOk && processes(p);
         }},
        {"setActive(0) twice",
         [&](Plugin& p) {
             return p.start() && p.component->setActive(0) == kResultOk &&
                    p.component->setActive(0) == kResultOk;
         }},
        {"setProcessing toggled repeatedly",
         [&](Plugin& p) {
             bool ok = p.start();
             for (int i = 0; i < 5; ++i) {
                 ok = ok && p.processor->setProcessing(1) == kResultOk &&
                      p.processor->setProcessing(0) == kResultOk;
             }
             return ok && processes(p);
         }},
        {"bus arrangement change while active",
         [&](Plugin& p) {
             SpeakerArrangement in = kStereo;
             SpeakerArrangement out = kStereo;
             return p.start() && refused(p.processor->setBusArrangements(&in, 1, &out, 1)) &&
                    processes(p);
         }},
        {"state calls in every stage",
         [&](Plugin& p) {
             MemoryStream s1;
             const bool created = p.component->getState(&s1) == kResultOk;
             MemoryStream r1(s1.data);
             const bool createdSet = p.component->setState(&r1) == kResultOk;
             MemoryStream s2;
             const bool active = p.start() && p.component->getState(&s2) == kResultOk;
             MemoryStream r2(s2.data);
             return created && createdSet && active && p.component->setState(&r2) == kResultOk &&
                    processes(p);
         }},
        {"editor asked for before initialize",
         [&](Plugin& p) {
             IPlugView* view = p.controller->createView("no such view");
             return view == nullptr;
         }},
    };
    for (const Misuse& row : rows) {
        Plugin p(module);
        if (!p.ok()) {
            expect(false, kGroup, std::string(row.name) + ": no instance");
            continue;
        }
        expect(row.run(p), kGroup, std::string(row.name) + ": answered as it should");
        expect(legalRun(p), kGroup, std::string(row.name) + ": a legal run works after it");
    }
}

// Instances do not share state: two run side by side as two alone do.
void checkIndependence(const Module& module) {
    const Signal signal = fixedSignal();
    Plugin a(module);
    Plugin b(module);
    Plugin alone(module);
    if (!expect(a.start() && b.start() && alone.start(), kGroup, "three instances start")) {
        return;
    }
    b.controller->setParamNormalized(0, 0.1);
    b.controller->setParamNormalized(4, 1.0);
    std::vector<float> outA, outAlone;
    std::vector<float> la(512), ra(512), lb(512), rb(512), lc(512), rc(512);
    for (int start = 0; start + 512 <= 40960; start += 512) {
        std::copy_n(signal.left.begin() + start, 512, la.begin());
        std::copy_n(signal.right.begin() + start, 512, ra.begin());
        lb = la;
        rb = ra;
        lc = la;
        rc = ra;
        a.process(la.data(), ra.data(), 512, nullptr);
        b.process(lb.data(), rb.data(), 512, nullptr);
        alone.process(lc.data(), rc.data(), 512, nullptr);
        outA.insert(outA.end(), la.begin(), la.end());
        outAlone.insert(outAlone.end(), lc.begin(), lc.end());
    }
    expect(outA == outAlone, kGroup, "an instance beside another sounds as it does alone");
    a.stop();
    b.stop();
    alone.stop();
}

// Thousands of calls in random order (seeded, so every run makes the same), each answered
// against a model of where the instance is: initialize only from the start, setup only
// while initialized and inactive, processing only while active. Where either answer is
// defensible (terminate while active, setProcessing(0) while inactive) the model follows
// the plug-in's. Audio that comes out is finite.
void checkRandomSequences(const Module& module) {
    enum class Stage { Created, Initialized, Active };
    Plugin p(module);
    if (!expect(p.ok(), kGroup, "instance for the random sequence")) {
        return;
    }
    static const Signal signal = fixedSignal();
    Stage stage = Stage::Created;
    std::uint32_t rng = 77u;
    const auto next = [&rng](std::uint32_t n) {
        rng = rng * 1664525u + 1013904223u;
        return (rng >> 8) % n;
    };
    int wrong = 0;
    std::string first;
    const auto note = [&](bool ok, int step, const char* call) {
        if (!ok && wrong++ == 0) {
            first = "step " + std::to_string(step) + ": " + call;
        }
    };
    std::vector<float> l(512), r(512);
    constexpr int kSteps = 3000;
    for (int step = 0; step < kSteps; ++step) {
        const bool active = stage == Stage::Active;
        switch (next(9)) {
        case 0: {
            const tresult t = p.component->initialize(&p.host);
            note((t == kResultOk) == (stage == Stage::Created), step, "initialize");
            stage = t == kResultOk ? Stage::Initialized : stage;
            break;
        }
        case 1: {
            const tresult t = p.component->terminate();
            // From the start it is refused; otherwise it ends the instance's life (a host
            // terminating while active gets a clean shutdown or a refusal).
            note(stage == Stage::Created ? t != kResultOk : (t == kResultOk || active), step,
                 "terminate");
            stage = t == kResultOk ? Stage::Created : stage;
            break;
        }
        case 2: {
            ProcessSetup setup{kRealtime, next(2) == 0 ? kSample32 : kSample64, 512,
                               next(2) == 0 ? 44100.0 : 48000.0};
            const tresult t = p.processor->setupProcessing(setup);
            note((t == kResultOk) == (stage == Stage::Initialized), step, "setupProcessing");
            break;
        }
        case 3:
        case 4: {
            const tresult t = p.component->setActive(1);
            note((t == kResultOk) == (stage != Stage::Created), step, "setActive(1)");
            stage = t == kResultOk ? Stage::Active : stage;
            break;
        }
        case 5: {
            const tresult t = p.component->setActive(0);
            note((t == kResultOk) == (stage != Stage::Created), step, "setActive(0)");
            stage = t == kResultOk ? Stage::Initialized : stage;
            break;
        }
        case 6: {
            const TBool on = next(2) == 0 ? 1 : 0;
            const tresult t = p.processor->setProcessing(on);
            note(active ? t == kResultOk : (on == 0 || t != kResultOk), step, "setProcessing");
            break;
        }
        default: {
            const int frames = static_cast<int>(next(512)) + 1;
            const int at = static_cast<int>(next(100000));
            std::copy_n(signal.left.begin() + at, frames, l.begin());
            std::copy_n(signal.right.begin() + at, frames, r.begin());
            ParamChanges changes;
            changes.add(next(5), static_cast<int32>(next(static_cast<std::uint32_t>(frames))),
                        next(1001) / 1000.0);
            // 32-bit blocks even after a 64-bit setup: a host may switch on its own; the
            // plug-in follows each block's own sample size.
            const tresult t = p.process(l.data(), r.data(), frames, &changes);
            bool finite = true;
            for (int i = 0; i < frames; ++i) {
                finite = finite && std::isfinite(l[static_cast<std::size_t>(i)]) &&
                         std::isfinite(r[static_cast<std::size_t>(i)]);
            }
            note((t == kResultOk) == active && (!active || finite), step, "process");
            break;
        }
        }
    }
    expect(wrong == 0, kGroup,
           std::to_string(wrong) + " of " + std::to_string(kSteps) +
               " calls in random order answered against the model; first " + first);
    expect(legalRun(p), kGroup, "a legal run after the random sequence");
}

} // namespace

void checkLifecycle(Context& context) {
    checkLegalSequences(*context.module);
    checkMisuse(*context.module);
    checkRandomSequences(*context.module);
    checkIndependence(*context.module);
}

} // namespace vst3check
