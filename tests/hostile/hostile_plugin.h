// One plug-in instance as the hostile host holds it: opened the way a DAW opens it, fed in
// blocks, closed (and its record released where the driver can) when it goes out of scope.
#pragma once

#include "tests/hostile/hostile_support.h"

namespace hostile {

class Plugin {
  public:
    // Entry, open, sample rate, block size, resume: the order hosts use.
    explicit Plugin(const Harness& harness, float rate = static_cast<float>(kRate))
        : harness_(harness), effect_(harness.entry(hostCallback)), inL_(kBlock), inR_(kBlock) {
        if (effect_ == nullptr || effect_->magic != kEffectMagic ||
            effect_->dispatcher == nullptr || effect_->processReplacing == nullptr) {
            effect_ = nullptr;
            return;
        }
        dispatch(effOpen);
        dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        dispatch(effSetBlockSize, 0, kBlock);
        dispatch(effMainsChanged, 0, 1);
    }
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;
    ~Plugin() {
        close();
        if (effect_ != nullptr && harness_.release != nullptr) {
            harness_.release(effect_);
        }
    }

    AEffect* effect() const { return effect_; }
    bool ok() const { return effect_ != nullptr; }

    VstIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }

    // effClose now; the record stays so that its slots can still be called.
    void close() {
        if (effect_ != nullptr && !closed_) {
            closed_ = true;
            dispatch(effClose);
        }
    }

    // Frames [first, first + count) of `in` into the same frames of `out`, through
    // processReplacing in blocks of at most `block`. The plug-in gets copies, so whatever
    // it does to its inputs cannot change the stream.
    void run(const Stereo& in, Stereo& out, std::size_t first, std::size_t count,
             std::size_t block = kBlock) {
        for (std::size_t start = first; start < first + count; start += block) {
            const std::size_t n = std::min(block, first + count - start);
            inL_.assign(in.left.begin() + start, in.left.begin() + start + n);
            inR_.assign(in.right.begin() + start, in.right.begin() + start + n);
            float* inputs[2] = {inL_.data(), inR_.data()};
            float* outputs[2] = {out.left.data() + start, out.right.data() + start};
            effect_->processReplacing(effect_, inputs, outputs, static_cast<std::int32_t>(n));
        }
    }

    // The whole of `in`, from the first frame.
    Stereo render(const Stereo& in) {
        Stereo out(in.frames());
        run(in, out, 0, in.frames());
        return out;
    }

  private:
    Harness harness_;
    AEffect* effect_;
    bool closed_ = false;
    std::vector<float> inL_;
    std::vector<float> inR_;
};

} // namespace hostile
