// Where the build has no x86 kernels: the portable record is the only one.
#include "dsp/generic/generic.h"
#include "dsp/kernels.h"

const Kernels& kernels() noexcept {
    static const Kernels portable = generic::record();
    return portable;
}

VectorPath vectorPathInUse() noexcept {
    return VectorPath::Baseline;
}

const Kernels* kernelsFor(VectorPath path) noexcept {
    return path == VectorPath::Baseline ? &kernels() : nullptr;
}

void limitVectorPath(VectorPath) noexcept {}
