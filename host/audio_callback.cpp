#include "host/audio_callback.h"

#include "dsp/peak_level.h"
#include "dsp/denormals.h"
#include "host/plugin_instance.h"
#include "host/record_gate.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

namespace {

constexpr float kMeterDecay = 0.88f;

void copyChannel(float* out, const float* in, std::int32_t frames) {
    if (out != in) {
        // memmove: a host may hand out buffers that overlap without being identical.
        std::memmove(out, in, static_cast<std::size_t>(frames) * sizeof(float));
    }
}

float nextMeter(float previous, float blockPeak) {
    const float decayed = previous * kMeterDecay;
    return blockPeak < decayed ? decayed : blockPeak;
}

} // namespace

void updateMeters(PluginInstance& inst, const float* left, const float* right,
                  std::int32_t frames) {
    const float peakLeft = peakMagnitude(left, frames);
    const float peakRight = peakMagnitude(right, frames);
    const float previousLeft = inst.engine.peakL.load(std::memory_order_relaxed);
    const float previousRight = inst.engine.peakR.load(std::memory_order_relaxed);
    inst.engine.peakL.store(nextMeter(previousLeft, peakLeft), std::memory_order_relaxed);
    inst.engine.peakR.store(nextMeter(previousRight, peakRight), std::memory_order_relaxed);
}

// The audio thread never waits for an editing thread: when the lock is free it adopts
// the edits made since the last block and publishes what the editor shows; when an edit
// holds it, the block runs with the settings the audio engine already has.
void exchangeIfFree(PluginInstance& inst) {
    const std::unique_lock<std::mutex> edits(inst.engine.lock, std::try_to_lock);
    if (edits.owns_lock()) {
        exchangeWithAudio(inst.engine);
    }
}

void VST_CALL processReplacing(AEffect* effect, float** inputs, float** outputs,
                               std::int32_t frames) {
    if (effect == nullptr) {
        return;
    }
    const InstanceCall call(*effect);
    if (call.inst == nullptr || inputs == nullptr || outputs == nullptr) {
        return;
    }
    if (inputs[0] == nullptr || inputs[1] == nullptr || outputs[0] == nullptr ||
        outputs[1] == nullptr) {
        return;
    }
    PluginInstance& inst = *call.inst;
    const DenormalsFlushed flushed;
    // The host contract says frames >= 0; a negative count would turn into a huge copy,
    // so it is handled as an empty block: nothing copied or processed, meters decay.
    if (frames >= 0) {
        copyChannel(outputs[0], inputs[0], frames);
        copyChannel(outputs[1], inputs[1], frames);
        exchangeIfFree(inst);
        processBlock(inst.engine.audio, outputs[0], outputs[1], frames);
        exchangeIfFree(inst); // the editor and the next edit see this block's spectrum
    }
    updateMeters(inst, outputs[0], outputs[1], frames);
}
