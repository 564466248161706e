// Where the build has no x86 kernels: the portable record is the only one.
#include "dsp/generic/generic.h"
#include "dsp/kernels.h"

namespace {

constexpr Kernels kPortable{
    "baseline",           generic::cascadeRun,    generic::startSkewed, generic::runSkewed,
    generic::drainSkewed, generic::finiteLength,  generic::finishRun,   generic::detectorInputs,
    generic::monoSum,     generic::peakMagnitude, generic::window,      generic::fftPower,
    generic::levels,      generic::smooth,
};

} // namespace

VectorPath vectorPathInUse() noexcept {
    return VectorPath::Baseline;
}

const Kernels& kernels() noexcept {
    return kPortable;
}

const Kernels* kernelsFor(VectorPath path) noexcept {
    return path == VectorPath::Baseline ? &kPortable : nullptr;
}

void limitVectorPath(VectorPath) noexcept {}
