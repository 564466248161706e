// The one place that knows which instruction sets exist: the three records, and the choice
// among them from what the processor has, capped by TOLVANE_VECTOR_PATH ("baseline",
// "avx2" or "avx512"), which is read once, when the record is first asked for, never on
// the audio thread's way through a block. The variable can only lower the path: it never
// picks one the processor lacks.
#include "dsp/generic/generic.h"
#include "dsp/kernels.h"
#include "dsp/x86/avx2/avx2.h"
#include "dsp/x86/avx512/avx512.h"
#include "dsp/x86/sse2/sse2.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

// The record for one path: per kernel, the baseline's, the AVX2 one's and the AVX-512 one's.
Kernels record(VectorPath path) noexcept {
    const auto pick = [path](auto* baseline, auto* wide, auto* widest) {
        return path == VectorPath::Baseline ? baseline : path == VectorPath::Wide ? wide : widest;
    };
    return {pick("baseline", "avx2", "avx512"),
            pick(generic::cascadeRun, avx2::cascadeRun, avx512::cascadeRun),
            pick(generic::startSkewed, avx2::startSkewed, avx512::startSkewed),
            pick(generic::runSkewed, avx2::runSkewed, avx512::runSkewed),
            pick(generic::drainSkewed, avx2::drainSkewed, avx512::drainSkewed),
            sse2::finiteLength,
            pick(generic::finishRun, avx2::finishRun, avx512::finishRun),
            pick(generic::detectorInputs, avx2::detectorInputs, avx2::detectorInputs),
            sse2::monoSum,
            sse2::peakMagnitude,
            pick(sse2::window, avx2::window, avx2::window),
            generic::fftFirstStages,
            pick(generic::fftPart, avx2::fftPart, avx2::fftPart),
            pick(generic::fftSplit, avx2::fftSplit, avx2::fftSplit),
            pick(sse2::levels, avx2::levels, avx512::levels),
            pick(sse2::smooth, avx2::smooth, avx2::smooth)};
}

// Filled once, at the first look (thread-safe; the engine's constructor looks first).
const Kernels* byPath(VectorPath path) noexcept {
    static const Kernels records[] = {record(VectorPath::Baseline), record(VectorPath::Wide),
                                      record(VectorPath::Widest)};
    return &records[static_cast<int>(path)];
}

// __builtin_cpu_supports also asks whether the system saves the wider registers.
VectorPath processorPath() noexcept {
    if (!(__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))) {
        return VectorPath::Baseline;
    }
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
    return avx512 ? VectorPath::Widest : VectorPath::Wide;
}

// The processor's path, lowered to the one TOLVANE_VECTOR_PATH names (an unknown name
// leaves it as it is).
VectorPath availablePath() noexcept {
    VectorPath path = processorPath();
    if (const char* cap = std::getenv("TOLVANE_VECTOR_PATH")) {
        for (const VectorPath named :
             {VectorPath::Baseline, VectorPath::Wide, VectorPath::Widest}) {
            if (std::strcmp(cap, byPath(named)->name) == 0) {
                path = std::min(path, named);
            }
        }
    }
    return path;
}

VectorPath available() noexcept {
    static const VectorPath path = availablePath();
    return path;
}

std::atomic<VectorPath> highestAllowed{VectorPath::Widest};

} // namespace

VectorPath vectorPathInUse() noexcept {
    return std::min(available(), highestAllowed.load(std::memory_order_relaxed));
}

const Kernels& kernels() noexcept {
    return *byPath(vectorPathInUse());
}

const Kernels* kernelsFor(VectorPath path) noexcept {
    return path <= available() ? byPath(path) : nullptr;
}

void limitVectorPath(VectorPath highest) noexcept {
    highestAllowed.store(highest, std::memory_order_relaxed);
}
