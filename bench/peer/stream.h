// A plug-in instance fed one signal in fixed-size blocks, looping over it like a track
// in a DAW. It stays alive for the whole run so the plug-in's state stays warm.
#pragma once

#include "bench/peer/signals.h"
#include "bench/peer/vst_peer.h"

#include <cstdint>
#include <vector>

namespace peer {

struct BlockTime {
    std::int64_t cpuNs;
    std::int64_t wallNs;
};

class Stream {
  public:
    Stream(Instance instance, const StereoSignal& signal, int blockSize);
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Audio thread of the benchmark: one block from the signal, through processReplacing.
    void step();
    // `blocks` blocks in a row; answers the thread CPU time spent.
    std::int64_t run(std::size_t blocks);
    BlockTime timedStep();

    int blockSize() const { return blockSize_; }
    AEffect* effect() const { return instance_.effect(); }
    // The last block's input and output, channel 0 or 1.
    const float* input(int channel) const { return inputs_[channel]; }
    const float* output(int channel) const { return outputs_[channel]; }

  private:
    Instance instance_;
    const StereoSignal& signal_;
    int blockSize_;
    std::size_t position_ = 0;
    std::vector<float> in_;
    std::vector<float> out_;
    float* inputs_[2];
    float* outputs_[2];
};

} // namespace peer
