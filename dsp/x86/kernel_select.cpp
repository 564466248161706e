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

constexpr Kernels kBaseline{
    "baseline",           generic::cascadeRun, generic::startSkewed, generic::runSkewed,
    generic::drainSkewed, sse2::finiteLength,  generic::finishRun,   generic::detectorInputs,
    sse2::monoSum,        sse2::peakMagnitude, sse2::window,         generic::fftPower,
    sse2::levels,         sse2::smooth,
};

constexpr Kernels kWide{
    "avx2",
    avx2::cascadeRun,
    generic::startSkewed,
    generic::runSkewed,
    generic::drainSkewed,
    sse2::finiteLength,
    avx2::finishRun,
    avx2::detectorInputs,
    sse2::monoSum,
    sse2::peakMagnitude,
    avx2::window,
    avx2::fftPower,
    avx2::levels,
    avx2::smooth,
};

constexpr Kernels kWidest{
    "avx512",
    avx512::cascadeRun,
    avx512::startSkewed,
    avx512::runSkewed,
    avx512::drainSkewed,
    sse2::finiteLength,
    avx512::finishRun,
    avx2::detectorInputs,
    sse2::monoSum,
    sse2::peakMagnitude,
    avx2::window,
    avx2::fftPower,
    avx2::levels,
    avx2::smooth,
};

constexpr const Kernels* kByPath[] = {&kBaseline, &kWide, &kWidest};

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
            if (std::strcmp(cap, kByPath[static_cast<int>(named)]->name) == 0) {
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
    return *kByPath[static_cast<int>(vectorPathInUse())];
}

const Kernels* kernelsFor(VectorPath path) noexcept {
    return path <= available() ? kByPath[static_cast<int>(path)] : nullptr;
}

void limitVectorPath(VectorPath highest) noexcept {
    highestAllowed.store(highest, std::memory_order_relaxed);
}
