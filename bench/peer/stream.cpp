#include "bench/peer/stream.h"

#include "bench/peer/bench_clock.h"

#include <algorithm>
#include <utility>

namespace peer {

Stream::Stream(Instance instance, const StereoSignal& signal, int blockSize)
    : instance_(std::move(instance)), signal_(signal), blockSize_(blockSize),
      in_(2 * static_cast<std::size_t>(blockSize)), out_(2 * static_cast<std::size_t>(blockSize)),
      inputs_{in_.data(), in_.data() + blockSize}, outputs_{out_.data(), out_.data() + blockSize} {}

// The input is copied into the stream's own buffers first, as a host hands a plug-in its
// track buffers: a plug-in that wrote to its inputs could not spoil the shared signal. The
// copy costs the same for every plug-in.
void Stream::step() {
    const auto frames = static_cast<std::size_t>(blockSize_);
    if (position_ + frames > signal_.frames()) {
        position_ = 0; // the signals are whole multiples of every block size
    }
    const auto from = static_cast<std::ptrdiff_t>(position_);
    std::copy_n(signal_.left.begin() + from, frames, inputs_[0]);
    std::copy_n(signal_.right.begin() + from, frames, inputs_[1]);
    AEffect* effect = instance_.effect();
    effect->processReplacing(effect, inputs_, outputs_, blockSize_);
    position_ += frames;
}

std::int64_t Stream::run(std::size_t blocks) {
    const std::int64_t start = threadCpuNs();
    for (std::size_t b = 0; b < blocks; ++b) {
        step();
    }
    return threadCpuNs() - start;
}

BlockTime Stream::timedStep() {
    const std::int64_t wall = wallNs();
    const std::int64_t cpu = threadCpuNs();
    step();
    const std::int64_t cpuEnd = threadCpuNs();
    return BlockTime{cpuEnd - cpu, wallNs() - wall};
}

} // namespace peer
