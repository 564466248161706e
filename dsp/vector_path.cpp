#include "dsp/vector_path.h"

#include "dsp/stereo_pair.h"

#include <algorithm>
#include <atomic>

namespace {

// __builtin_cpu_supports also asks whether the system saves the wider registers.
VectorPath processorPath() noexcept {
#if TOLVANE_SSE2 && defined(__GNUC__)
    if (!(__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))) {
        return VectorPath::Baseline;
    }
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
    return avx512 ? VectorPath::Widest : VectorPath::Wide;
#else
    return VectorPath::Baseline;
#endif
}

std::atomic<VectorPath> highestAllowed{VectorPath::Widest};

} // namespace

VectorPath vectorPathInUse() noexcept {
    static const VectorPath available = processorPath();
    return std::min(available, highestAllowed.load(std::memory_order_relaxed));
}

bool wideVectorsInUse() noexcept {
    return vectorPathInUse() >= VectorPath::Wide;
}

bool widestVectorsInUse() noexcept {
    return vectorPathInUse() == VectorPath::Widest;
}

void limitVectorPath(VectorPath highest) noexcept {
    highestAllowed.store(highest, std::memory_order_relaxed);
}
