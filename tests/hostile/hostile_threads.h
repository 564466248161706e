// Many instances on several threads at once, the way a large session loads: every thread
// creates its instances, drives them with a seeded mix of parameter changes, host rates,
// odd dispatcher calls and blocks of every length, then closes them. Afterwards each
// instance must still have settled to finite output, and a closed one must do nothing.
#pragma once

#include "tests/hostile/hostile_opcodes.h"
#include "tests/hostile/hostile_parameters.h"

#include <memory>
#include <thread>

namespace hostile {

// What one worker found. Workers only collect; the thread that runs the check reports.
struct ThreadReport {
    int failures = 0;
    std::string first;

    void expect(bool ok, const std::string& what) {
        if (!ok && failures++ == 0) {
            first = what;
        }
    }
    void merge(const ThreadReport& other) {
        if (failures == 0) {
            first = other.first;
        }
        failures += other.failures;
    }
};

// A fixed-seed generator with the same sequence on every platform and standard library.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::size_t below(std::size_t n) {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::size_t>(state_ >> 33) % n;
    }

  private:
    std::uint64_t state_;
};

constexpr int kThreads = 4;
constexpr int kInstancesPerThread = 3;
constexpr int kRoundsPerThread = 2;
constexpr int kStepsPerRound = 240;
constexpr std::uint64_t kThreadSeed = 0x70A1E5EEDull;

// Rates real hosts use: absurd ones have their own checks, and here they would only blur
// what the threads do to one another.
inline constexpr float kHostRates[] = {22050.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f};

inline void randomParameter(AEffect* e, Random& rng, ThreadReport& report) {
    const std::int32_t indices[] = {-1, 0, 1, 2, 3, 4, 5, INT32_MAX};
    const std::int32_t index = indices[rng.below(std::size(indices))];
    e->setParameter(e, index, kOddValues[rng.below(std::size(kOddValues))].value);
    const float answer = e->getParameter(e, index);
    const bool valid = index >= 0 && index < e->numParams;
    report.expect(valid ? answer >= 0.0f && answer <= 1.0f : answer == 0.0f,
                  "parameter " + std::to_string(index) + " reads " + fmt(answer));
}

inline void randomDispatch(Plugin& p, Random& rng, std::vector<unsigned char>& scratch) {
    static const std::vector<std::int32_t> opcodes = sweptOpcodes();
    const std::int32_t opcode = opcodes[rng.below(opcodes.size())];
    const OddArgs& args = kOddArgs[rng.below(std::size(kOddArgs))];
    void* ptr = rng.below(2) == 0 || opcode == effEditOpen ? nullptr : scratch.data();
    if (opcode != effSetSampleRate) { // rates come from kHostRates only, see there
        std::fill(scratch.begin(), scratch.end(), 0);
        p.dispatch(opcode, args.index, safeValue(opcode, args.value, ptr), ptr, args.opt);
    }
}

// Any length from 0 to a full block, through either audio slot.
inline void randomBlock(Plugin& p, Random& rng, Stereo& in, Stereo& out) {
    const std::size_t frames = rng.below(kBlock + 1);
    const std::size_t first = rng.below(in.frames() - kBlock);
    AEffect* e = p.effect();
    float* inputs[2] = {in.left.data() + first, in.right.data() + first};
    float* outputs[2] = {out.left.data(), out.right.data()};
    const ProcessProc slot =
        rng.below(2) == 0 || e->process == nullptr ? e->processReplacing : e->process;
    slot(e, inputs, outputs, static_cast<std::int32_t>(frames));
}

inline void randomStep(Plugin& p, Random& rng, Stereo& in, Stereo& out,
                       std::vector<unsigned char>& scratch, ThreadReport& report) {
    switch (rng.below(5)) {
    case 0:
        randomParameter(p.effect(), rng, report);
        break;
    case 1:
        p.dispatch(effSetSampleRate, 0, 0, nullptr, kHostRates[rng.below(std::size(kHostRates))]);
        break;
    case 2:
        randomDispatch(p, rng, scratch);
        break;
    default:
        randomBlock(p, rng, in, out);
        break;
    }
}

// After a close the record's slots must leave the host's buffers alone and read nothing.
inline void expectInertAfterClose(AEffect* e, ThreadReport& report) {
    constexpr float kSentinel = -3.0f;
    Stereo in(64);
    Stereo out(64);
    std::fill(in.left.begin(), in.left.end(), 0.25f);
    std::fill(in.right.begin(), in.right.end(), 0.25f);
    std::fill(out.left.begin(), out.left.end(), kSentinel);
    std::fill(out.right.begin(), out.right.end(), kSentinel);
    float* inputs[2] = {in.left.data(), in.right.data()};
    float* outputs[2] = {out.left.data(), out.right.data()};
    for (const ProcessProc slot : {e->processReplacing, e->process}) {
        if (slot != nullptr) {
            slot(e, inputs, outputs, 64);
        }
    }
    e->setParameter(e, 0, 0.3f);
    report.expect(holds(out, kSentinel), "a closed instance wrote to the outputs");
    report.expect(e->getParameter(e, 0) == 0.0f, "a closed instance answers a parameter value");
}

// Back at 48 kHz with the parameters a new instance has, half a second of music must
// come out finite at its end.
inline void settle(Plugin& p, const std::vector<float>& defaults, const Stereo& in,
                   ThreadReport& report) {
    restoreHostState(p);
    for (std::size_t i = 0; i < defaults.size(); ++i) {
        p.effect()->setParameter(p.effect(), static_cast<std::int32_t>(i), defaults[i]);
    }
    Stereo out(in.frames());
    p.run(in, out, 0, kSecond / 2);
    report.expect(allFinite(out, kSecond / 4, kSecond / 4), "output not finite after settling");
}

inline void oneRound(const Harness& h, Random& rng, Stereo& in, ThreadReport& report) {
    std::vector<std::unique_ptr<Plugin>> plugins;
    for (int i = 0; i < kInstancesPerThread; ++i) {
        plugins.push_back(std::make_unique<Plugin>(h));
        report.expect(plugins.back()->ok(), "no instance");
        if (!plugins.back()->ok()) {
            return;
        }
    }
    const std::vector<float> defaults = parameterValues(plugins[0]->effect());
    Stereo out(kBlock);
    std::vector<unsigned char> scratch(16 * 1024);
    for (int step = 0; step < kStepsPerRound; ++step) {
        randomStep(*plugins[rng.below(plugins.size())], rng, in, out, scratch, report);
    }
    for (const auto& p : plugins) {
        settle(*p, defaults, in, report);
        p->close();
        expectInertAfterClose(p->effect(), report);
    }
}

inline void checkManyInstances(const Harness& h) {
    const Stereo in = music(kSecond);
    std::vector<ThreadReport> reports(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&h, &reports, own = in, t]() mutable {
            Random rng(kThreadSeed + static_cast<std::uint64_t>(t));
            for (int round = 0; round < kRoundsPerThread; ++round) {
                oneRound(h, rng, own, reports[static_cast<std::size_t>(t)]);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        const ThreadReport& r = reports[static_cast<std::size_t>(t)];
        h.expect(r.failures == 0, "thread " + std::to_string(t),
                 std::to_string(r.failures) + " failure(s), first: " + r.first);
    }
}

} // namespace hostile
