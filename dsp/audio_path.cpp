#include "dsp/audio_path.h"

#include "dsp/detector.h"
#include "dsp/fast_math.h"
#include "dsp/formulas.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

double flushTiny(double v) noexcept {
    return std::fabs(v) < 1e-15 ? 0.0 : v;
}

bool isFiniteValue(double v) noexcept {
    return std::fabs(v) <= std::numeric_limits<double>::max();
}

// One stage of formulas.h on one channel. A stage that blows up resets its own state and
// lets its input through, so one bad sample cannot poison the filter forever.
double runStage(const BiquadCoefficients& k, double& s1, double& s2, double x) noexcept {
    const StageStep<double> step = biquadStep<double>({k.b0, k.b1, k.b2, k.a1, k.a2}, x, s1, s2);
    if (isFiniteValue(step.y) && isFiniteValue(step.s1) && isFiniteValue(step.s2)) {
        s1 = flushTiny(step.s1);
        s2 = flushTiny(step.s2);
        return step.y;
    }
    s1 = 0.0;
    s2 = 0.0;
    return x;
}

StereoPair runFilter(BandFilter& f, StereoPair x) noexcept {
    return pairOf(runStage(f.coeffs, f.s1L, f.s2L, leftOf(x)),
                  runStage(f.coeffs, f.s1R, f.s2R, rightOf(x)));
}

} // namespace

void finishDrives(Engine& inst) noexcept {
    const double env = inst.detector.envLevel;
    inst.midDrive = env * env * 81.0 / 91.0;
    inst.lowDrive = powThreeHalves(env);
}

void detectOne(Engine& inst, DetectorState& detector, float left, float right) noexcept {
    runDetector(inst, detector, left, right);
}

Run startRun(Engine& inst, Cascade& cascade, const float* left, const float* right,
             std::int32_t available) noexcept {
    if (inst.modCounter < 31) {
        const std::int32_t length = std::min({available, 31 - inst.modCounter, kMaxRun});
        inst.modCounter += length;
        return {length, 0};
    }
    detectOne(inst, inst.detector, left[0], right[0]); // this sample ticks
    inst.modCounter = 0;
    finishDrives(inst);
    // Nothing else changes the filters within a block: a tick that redesigned no band
    // leaves the cascade as it is, without walking its stages.
    if (updateModulation(inst)) {
        reloadCoefficients(inst, cascade);
    }
    const std::int32_t length = std::min(available, kMaxRun);
    inst.modCounter += length - 1;
    return {length, 1};
}

// The filters are run from their own states: the cascade's are given back first and
// taken again after.
StereoPair runCheckedSample(Engine& inst, Cascade& cascade, double L, double R) noexcept {
    storeStates(cascade, inst, false);
    StereoPair y = pairOf(L, R);
    for (std::size_t i = 0; i < cascade.count; ++i) {
        y = runFilter(inst.filters[cascade.stages[i].filter], y);
    }
    loadCascade(inst, cascade);
    return y;
}

StereoPair runFiltersSlowly(Engine& inst, double L, double R) noexcept {
    StereoPair y = pairOf(L, R);
    const std::size_t stages = std::min(inst.bands.size(), inst.filters.size());
    for (std::size_t i = 0; i < stages; ++i) {
        if (inst.bands[i].enabled) {
            y = runFilter(inst.filters[i], y);
        }
    }
    return y;
}

OutputStage outputStage(float trim, float limiter) noexcept {
    OutputStage out{trim, limiter, {}};
    if (limiter > 0.01f) {
        out.limiting = outputLanes<double>(trim, limiter);
    }
    return out;
}

void finishOutputs(const Kernels& k, const StereoPair* y, const bool* checked, std::int32_t count,
                   OutputStage out, float* left, float* right) noexcept {
    if (out.limiter > 0.01f) {
        k.finishRun(y, checked, count, out.limiting, left, right);
        return;
    }
    const double trim = out.trim;
    for (std::int32_t i = 0; i < count; ++i) {
        left[i] = static_cast<float>(leftOf(y[i]) * trim);
        right[i] = static_cast<float>(rightOf(y[i]) * trim);
    }
}

// As many samples at a time as fit before the ring's end: windowed as they arrive, and
// counted towards the pending analysis's next steps.
void feedAnalyser(const Kernels& k, Engine& inst, const float* left, const float* right,
                  std::int32_t count) noexcept {
    float* ring = inst.analysisRing.data();
    std::int32_t pos = inst.analysisPos;
    if (pos < 0 || pos >= kAnalysisSize) {
        pos = 0; // never happens: only this function moves it
    }
    for (std::int32_t i = 0; i < count;) {
        const std::int32_t chunk = std::min(count - i, kAnalysisSize - pos);
        k.monoSum(left + i, right + i, chunk, ring + pos);
        ringArrived(inst, pos, chunk);
        advanceAnalysis(inst, chunk);
        i += chunk;
        pos += chunk;
        if (pos > kAnalysisSize - 1) {
            startAnalysis(inst);
            pos = 0;
        }
    }
    inst.analysisPos = pos;
}

void finishGathered(const Kernels& k, Engine& inst, Gathered& g, OutputStage out, float* left,
                    float* right) noexcept {
    finishOutputs(k, g.y, g.checked, g.count, out, left + g.next, right + g.next);
    feedAnalyser(k, inst, left + g.next, right + g.next, g.count);
    g.next += g.count;
    g.count = 0;
}

void makeRoom(const Kernels& k, Engine& inst, Gathered& g, std::int32_t more, OutputStage out,
              float* left, float* right) noexcept {
    if (g.count + more > Gathered::kCapacity) {
        finishGathered(k, inst, g, out, left, right);
    }
}

bool tickNeedsGathered(const Engine& inst, const Gathered& g, std::int32_t inFlight) noexcept {
    const bool ticks = !(inst.modCounter < 31);
    return ticks && inst.analysisPos + g.count + inFlight >= kAnalysisSize;
}

void resetRunningState(Engine& engine, const Engine& fresh) noexcept {
    const auto copyInPlace = [](const auto& from, auto& to) {
        std::copy_n(from.begin(), std::min(from.size(), to.size()), to.begin());
    };
    for (BandFilter& filter : engine.filters) {
        filter.s1L = filter.s2L = filter.s1R = filter.s2R = 0.0;
    }
    std::fill(engine.analysisRing.begin(), engine.analysisRing.end(), 0.0f);
    engine.analysisPos = fresh.analysisPos;
    engine.analysis = fresh.analysis; // a pending analysis is dropped with its ring
    copyInPlace(fresh.spectrumDb, engine.spectrumDb);
    engine.detector = fresh.detector;
    engine.midDrive = fresh.midDrive;
    engine.lowDrive = fresh.lowDrive;
    copyInPlace(fresh.modDrive, engine.modDrive);
    copyInPlace(fresh.lastModulation, engine.lastModulation);
    // As after a rebuild: the next modulation tick redesigns every band it covers.
    std::fill_n(engine.lastModulation.begin(),
                std::min(engine.bands.size(), engine.lastModulation.size()), -1.0);
    engine.modCounter = fresh.modCounter;
    engine.modWeights = fresh.modWeights;
    engine.modTerms = fresh.modTerms;
    engine.modPlainGains = fresh.modPlainGains;
}
