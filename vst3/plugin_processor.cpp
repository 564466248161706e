// The audio processor: stereo in, stereo out, no latency, parameter changes applied at
// their sample offsets by cutting the block there. Each piece runs exactly as one VST 2.4
// callback does, so the output is that of a VST 2.4 host cutting at the same places, bit
// for bit; where the cuts fall moves the output only by rounding (about 1e-14).
#include "vst3/plugin.h"

#include "host/audio_callback.h"
#include "dsp/denormals.h"
#include "host/parameters.h"
#include "vst3/engine_reset.h"
#include "vst3/param_changes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace vst3 {

namespace {

constexpr double kMinRate = 8000.0;
constexpr double kMaxRate = 384000.0;
constexpr int32 kChunkFrames = 256; // the 64-bit path's conversion buffer, on the stack

template <typename Sample> Sample** channelsOf(AudioBusBuffers& bus);
template <> float** channelsOf<float>(AudioBusBuffers& bus) {
    return bus.channelBuffers32;
}
template <> double** channelsOf<double>(AudioBusBuffers& bus) {
    return bus.channelBuffers64;
}

bool channelsPresent(const AudioBusBuffers& bus) {
    return bus.numChannels >= 2 && bus.channelBuffers32 != nullptr &&
           bus.channelBuffers32[0] != nullptr && bus.channelBuffers32[1] != nullptr;
}

template <typename Sample> bool silent(const Sample* samples, int32 frames) {
    for (int32 i = 0; i < frames; ++i) {
        if (samples[i] != Sample(0)) {
            return false;
        }
    }
    return true;
}

template <typename Sample>
void takeInput(Sample* out, const Sample* in, bool inputSilent, int32 frames) {
    if (inputSilent) {
        std::fill_n(out, frames, Sample(0)); // a silent input's buffer need not hold zeros
    } else if (out != in) {
        std::memmove(out, in, static_cast<std::size_t>(frames) * sizeof(Sample));
    }
}

} // namespace

tresult TolvanePlugin::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                          SpeakerArrangement* outputs, int32 numOuts) {
    if (stage == Stage::Active) {
        return kResultFalse;
    }
    const bool stereo = numIns == 1 && numOuts == 1 && inputs != nullptr && outputs != nullptr &&
                        inputs[0] == kStereo && outputs[0] == kStereo;
    return stereo ? kResultTrue : kResultFalse; // anything else: the buses stay stereo
}

tresult TolvanePlugin::getBusArrangement(int32 dir, int32 index, SpeakerArrangement& arr) {
    if ((dir != kInput && dir != kOutput) || index != 0) {
        return kInvalidArgument;
    }
    arr = kStereo;
    return kResultOk;
}

tresult TolvanePlugin::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue
                                                                              : kResultFalse;
}

uint32 TolvanePlugin::getLatencySamples() {
    return 0;
}

uint32 TolvanePlugin::getTailSamples() {
    return 0;
}

tresult TolvanePlugin::setupProcessing(ProcessSetup& setup) {
    if (stage != Stage::Initialized || inst == nullptr) {
        return kResultFalse; // only between initialize and activation
    }
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue ||
        !(setup.sampleRate >= kMinRate && setup.sampleRate <= kMaxRate) ||
        setup.maxSamplesPerBlock <= 0) {
        return kResultFalse;
    }
    sampleSize = setup.symbolicSampleSize;
    sampleRate = setup.sampleRate;
    {
        std::lock_guard<std::mutex> guard(inst->engine.lock);
        ::setSampleRate(inst->engine.edit, static_cast<float>(setup.sampleRate));
    }
    return kResultOk;
}

tresult TolvanePlugin::setProcessing(TBool state) {
    if (stage != Stage::Active) {
        return state == 0 ? kResultOk : kNotInitialized;
    }
    processing = state != 0;
    return kResultOk;
}

void TolvanePlugin::applyParamOnAudio(int index, float value) noexcept {
    hostValues[static_cast<std::size_t>(index)].store(value, std::memory_order_relaxed);
    Engine& edit = inst->engine.edit;
    std::unique_lock<std::mutex> edits(inst->engine.lock, std::try_to_lock);
    setParam(edit, index, value);
    if (edits.owns_lock()) {
        // What a VST 2.4 host's setParameter does; the segment's exchange adopts it.
        rebuildFilters(edit);
        editRebuildPending.store(false, std::memory_order_relaxed);
        return;
    }
    // The editor holds the lock: the audio engine takes the value now and the editing
    // side's filters follow at the next block that gets the lock.
    setParam(inst->engine.audio, index, value);
    rebuildFilters(inst->engine.audio);
    editRebuildPending.store(true, std::memory_order_relaxed);
}

void TolvanePlugin::processSegment(float* left, float* right, int32 frames) noexcept {
    if (editRebuildPending.load(std::memory_order_relaxed)) {
        std::unique_lock<std::mutex> edits(inst->engine.lock, std::try_to_lock);
        if (edits.owns_lock()) {
            rebuildFilters(inst->engine.edit);
            editRebuildPending.store(false, std::memory_order_relaxed);
        }
    }
    exchangeIfFree(*inst);
    processBlock(inst->engine.audio, left, right, frames);
    exchangeIfFree(*inst);
}

tresult TolvanePlugin::process(ProcessData& data) {
    if (inst == nullptr || stage != Stage::Active) {
        return kNotInitialized;
    }
    const DenormalsFlushed flushed;
    if (resetPending.exchange(false, std::memory_order_acq_rel)) {
        resetAudioEngine(inst->engine.audio);
        inst->engine.peakL.store(0.0f, std::memory_order_relaxed);
        inst->engine.peakR.store(0.0f, std::memory_order_relaxed);
    }
    const int32 frames = std::max<int32>(data.numSamples, 0);
    const bool buses = data.numInputs >= 1 && data.numOutputs >= 1 && data.inputs != nullptr &&
                       data.outputs != nullptr && channelsPresent(data.inputs[0]) &&
                       channelsPresent(data.outputs[0]);
    ParamChangeCursor changes(data.inputParameterChanges);
    if (frames == 0 || !buses) {
        // Nothing to process (a host flushing parameters, or missing buffers): the changes
        // still take effect, in order.
        applyChanges(changes, INT32_MAX);
        return kResultOk;
    }
    if (data.symbolicSampleSize == kSample64) {
        processBus<double>(changes, data.inputs[0], data.outputs[0], frames);
    } else {
        processBus<float>(changes, data.inputs[0], data.outputs[0], frames);
    }
    return kResultOk;
}

void TolvanePlugin::applyChanges(ParamChangeCursor& changes, int32 through) noexcept {
    changes.applyThrough(through, [this](int index, double value) {
        applyParamOnAudio(index, clampParameter(static_cast<float>(value)));
    });
}

// Cut at every change, and the engine runs on each piece as on one VST 2.4 block.
template <typename Sample>
void TolvanePlugin::processBus(ParamChangeCursor& changes, AudioBusBuffers& in,
                               AudioBusBuffers& out, int32 frames) noexcept {
    Sample** inputs = channelsOf<Sample>(in);
    Sample** outputs = channelsOf<Sample>(out);
    takeInput(outputs[0], inputs[0], (in.silenceFlags & 1u) != 0, frames);
    takeInput(outputs[1], inputs[1], (in.silenceFlags & 2u) != 0, frames);
    int32 at = 0;
    while (at < frames) {
        applyChanges(changes, at);
        const int32 end = std::min(frames, changes.nextOffset());
        runSegment(outputs[0] + at, outputs[1] + at, end - at);
        at = end;
    }
    applyChanges(changes, INT32_MAX);
    meterBlock(outputs[0], outputs[1], frames);
    out.silenceFlags =
        (silent(outputs[0], frames) ? 1u : 0u) | (silent(outputs[1], frames) ? 2u : 0u);
}

void TolvanePlugin::runSegment(float* left, float* right, int32 frames) noexcept {
    processSegment(left, right, frames);
}

// The engine's buffers are single precision: 64-bit samples pass through a small buffer
// on the stack, a piece at a time (where pieces are cut moves the output only by rounding).
void TolvanePlugin::runSegment(double* left, double* right, int32 frames) noexcept {
    float chunkL[kChunkFrames];
    float chunkR[kChunkFrames];
    for (int32 at = 0; at < frames; at += kChunkFrames) {
        const int32 n = std::min(kChunkFrames, frames - at);
        std::copy_n(left + at, n, chunkL);
        std::copy_n(right + at, n, chunkR);
        processSegment(chunkL, chunkR, n);
        std::copy_n(chunkL, n, left + at);
        std::copy_n(chunkR, n, right + at);
    }
}

void TolvanePlugin::meterBlock(const float* left, const float* right, int32 frames) noexcept {
    updateMeters(*inst, left, right, frames);
}

// 64-bit output holds single-precision values: each channel's peak is a float exactly.
void TolvanePlugin::meterBlock(const double* left, const double* right, int32 frames) noexcept {
    float peaks[2] = {0.0f, 0.0f};
    for (int32 i = 0; i < frames; ++i) {
        peaks[0] = std::max(peaks[0], static_cast<float>(std::fabs(left[i])));
        peaks[1] = std::max(peaks[1], static_cast<float>(std::fabs(right[i])));
    }
    updateMeters(*inst, &peaks[0], &peaks[1], 1);
}

} // namespace vst3
