#include "dsp/vector_path.h"

#include "dsp/stereo_pair.h"

#include <atomic>

namespace {

bool processorHasAvx2AndFma() noexcept {
#if TOLVANE_SSE2 && defined(__GNUC__)
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

std::atomic<bool> baselineForced{false};

} // namespace

bool wideVectorsInUse() noexcept {
    static const bool available = processorHasAvx2AndFma();
    return available && !baselineForced.load(std::memory_order_relaxed);
}

void forceBaselineVectors(bool baseline) noexcept {
    baselineForced.store(baseline, std::memory_order_relaxed);
}
