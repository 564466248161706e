// What the plug-in makes of a fixed stereo signal. The VST 2.4 build of the same sources
// is the reference: a VST 3 block with parameter changes inside it must sound as the VST 2.4
// build does when the host cuts the block at each change and calls setParameter there.
#include "tests/vst3/host_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

using namespace vst3;
using namespace vst3host;

namespace vst3check {

namespace {

constexpr const char* kGroup = "output";
constexpr double kTolerance = 1e-6;

// Every parameter back to its default at frame 0, so a render does not depend on what an
// earlier render left the parameters at.
const std::vector<Automation> kDefaults = {
    {0, 0, 0.5}, {0, 1, 0.85}, {0, 2, 0.9}, {0, 3, 0.92}, {0, 4, 0.0}};

// Changes at odd offsets inside 512-frame blocks, in the loud and the quiet sections: each
// parameter several times, two in one block, one at a block's first frame and one at its
// last, several of one parameter in one block, and the bypass on and off.
std::vector<Automation> automation() {
    std::vector<Automation> points = kDefaults;
    std::uint32_t seed = 2024u;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 8) / 16777216.0;
    };
    for (int k = 0; k < 30; ++k) {
        const int frame = 1201 + k * 3877; // never a multiple of 512 by itself
        const ParamID id = static_cast<ParamID>(k % 4);
        points.push_back({frame, id, 0.1 + 0.8 * next()});
    }
    points.push_back({20480, 0, 0.95}); // a block's first frame
    points.push_back({20991, 0, 0.2});  // the same block's last frame
    points.push_back({40001, 0, 0.3});  // three of one parameter in one block
    points.push_back({40003, 0, 0.9});
    points.push_back({40097, 0, 0.6});
    points.push_back({40099, 3, 0.4}); // and another parameter among them
    points.push_back({80333, 4, 1.0}); // bypass on in the loud section ...
    points.push_back({84001, 4, 0.0}); // ... and off again
    points.push_back({100005, 2, 0.05});
    std::stable_sort(points.begin(), points.end(),
                     [](const Automation& a, const Automation& b) { return a.frame < b.frame; });
    return points;
}

std::string differenceText(double d, std::size_t at) {
    return std::isfinite(d)
               ? str(d) + " at frame " + std::to_string(at / 2) + (at % 2 == 0 ? " left" : " right")
               : "sizes differ, a call failed or a sample is not finite";
}

bool startedPlugin(Plugin& plugin, int32 sampleSize = kSample32) {
    return expect(plugin.ok() && plugin.start(sampleSize), kGroup, "instance starts");
}

// `check` on a new instance, started for it and stopped after it; an instance that does not
// start is a failure and runs nothing.
template <typename Check>
void onStartedPlugin(Context& context, Check&& check, int32 sampleSize = kSample32) {
    Plugin plugin(*context.module);
    if (startedPlugin(plugin, sampleSize)) {
        check(plugin);
        plugin.stop();
    }
}

void checkAgainstVst2(Context& context, const Signal& signal,
                      const std::vector<float>& withChanges) {
    Vst2Plugin vst2(context.vst2Path);
    if (!expect(vst2.ok(), kGroup, "VST 2.4 build loads: " + context.vst2Path)) {
        return;
    }
    const std::vector<float> reference = vst2.render(signal, 512, automation());
    std::size_t at = 0;
    const double d = largestDifference(withChanges, reference, &at);
    std::printf("VST 3 with changes inside blocks vs VST 2.4 cut at the changes: largest "
                "difference %s\n",
                differenceText(d, at).c_str());
    expect(d <= kTolerance, kGroup,
           "VST 3 against VST 2.4 with automation: " + differenceText(d, at));

    Vst2Plugin plain(context.vst2Path);
    onStartedPlugin(context, [&](Plugin& fresh) {
        const double dp =
            largestDifference(render(fresh, signal, {512}), plain.render(signal, 512, {}), &at);
        expect(dp <= kTolerance, kGroup,
               "VST 3 against VST 2.4 without automation: " + differenceText(dp, at));
    });
}

void checkBlocksAndActivation(Plugin& plugin, const Signal& signal,
                              const std::vector<float>& withChanges) {
    std::size_t at = 0;
    // Mixed block sizes, the largest the host announced included.
    const std::vector<float> mixed =
        render(plugin, signal, {1, 7, 64, 512, 4096, 7, 1, 4096, 64, 333}, automation());
    const double d = largestDifference(mixed, withChanges, &at);
    std::printf("blocks of 1, 7, 64, 512 and 4096 mixed vs blocks of 512: largest difference "
                "%s\n",
                differenceText(d, at).c_str());
    expect(d <= kTolerance, kGroup, "mixed block sizes: " + differenceText(d, at));

    // Suspend and resume part way, then the whole render again: activation starts it from
    // the same point, sample for sample.
    Signal part = signal;
    part.left.resize(50000);
    part.right.resize(50000);
    render(plugin, part, {512}, automation());
    expect(plugin.processor->setProcessing(0) == kResultOk &&
               plugin.component->setActive(0) == kResultOk &&
               plugin.component->setActive(1) == kResultOk &&
               plugin.processor->setProcessing(1) == kResultOk,
           kGroup, "suspend and resume");
    const std::vector<float> again = render(plugin, signal, {512}, automation());
    expect(again == withChanges, kGroup,
           "render after resume equals a new instance's, sample for sample: " +
               differenceText(largestDifference(again, withChanges, &at), at));
}

// In place: the host hands the same buffers as input and output.
void checkInPlace(Context& context, Plugin& same, const Signal& signal) {
    std::vector<float> inPlace;
    std::vector<float> l(512), r(512);
    for (int start = 0; start < signal.frames(); start += 512) {
        const int n = std::min(512, signal.frames() - start);
        std::copy_n(signal.left.begin() + start, n, l.begin());
        std::copy_n(signal.right.begin() + start, n, r.begin());
        same.process(l.data(), r.data(), n, nullptr, true);
        for (int i = 0; i < n; ++i) {
            inPlace.push_back(l[static_cast<std::size_t>(i)]);
            inPlace.push_back(r[static_cast<std::size_t>(i)]);
        }
    }
    onStartedPlugin(context, [&](Plugin& other) {
        std::size_t at = 0;
        const double d = largestDifference(inPlace, render(other, signal, {512}), &at);
        expect(d == 0.0, kGroup, "in-place processing: " + differenceText(d, at));
    });
}

void checkSixtyFourBit(Plugin& plugin, const Signal& signal,
                       const std::vector<float>& withChanges) {
    const std::vector<double> wide = render64(plugin, signal, {512}, automation());
    bool close = wide.size() == withChanges.size();
    double worst = 0.0;
    for (std::size_t i = 0; close && i < wide.size(); ++i) {
        // Single-precision rounding of the sample, and a floor for near-silent samples.
        const double allowed = std::fabs(withChanges[i]) * 1.2e-7 + 1e-9;
        const double diff = std::fabs(wide[i] - withChanges[i]);
        worst = std::max(worst, diff);
        close = diff <= allowed && std::isfinite(wide[i]);
    }
    std::printf("64-bit vs 32-bit processing: largest difference %s\n", str(worst).c_str());
    expect(close, kGroup,
           "64-bit output within single-precision rounding of 32-bit, worst " + str(worst));
}

// The automation must be heard: otherwise the comparisons above prove nothing about where
// the changes land.
void checkChangesAudible(Plugin& plugin, const Signal& signal,
                         const std::vector<float>& withChanges) {
    const std::vector<float> without = render(plugin, signal, {512}, kDefaults);
    std::size_t at = 0;
    const double d = largestDifference(without, withChanges, &at);
    expect(std::isfinite(d) && d > 1e-3, kGroup,
           "the automation changes the output (largest change " + str(d) + ")");
    // A change at offset k acts from frame k on: moving one point by a single frame is heard.
    std::vector<Automation> shifted = automation();
    for (Automation& a : shifted) {
        if (a.frame == 40003) {
            a.frame = 40004;
        }
    }
    plugin.component->setActive(0);
    plugin.component->setActive(1);
    const std::vector<float> moved = render(plugin, signal, {512}, shifted);
    expect(moved.size() == withChanges.size() && moved[2 * 40003] != withChanges[2 * 40003], kGroup,
           "a change moved by one frame changes that frame");
}

// A call on one input and one output bus (either may be null), no parameter changes.
ProcessData busCall(int frames, AudioBusBuffers* in, AudioBusBuffers* out) {
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = in;
    data.outputs = out;
    return data;
}

void checkSilenceAndOddCalls(Context& context, const Signal& signal) {
    Plugin a(*context.module);
    Plugin b(*context.module);
    if (!startedPlugin(a) || !startedPlugin(b)) {
        return;
    }
    // An input flagged silent is silence, whatever its buffer holds.
    std::vector<float> junkL(256, 0.75f), junkR(256, -0.5f), zeroL(256, 0.0f), zeroR(256, 0.0f);
    std::vector<float> outA(512), outB(512);
    bool same = true;
    bool flagsTrue = true;
    for (int block = 0; block < 4; ++block) {
        float* inJunk[2] = {junkL.data(), junkR.data()};
        float* inZero[2] = {zeroL.data(), zeroR.data()};
        float* outs[2][2] = {{outA.data(), outA.data() + 256}, {outB.data(), outB.data() + 256}};
        AudioBusBuffers in[2] = {};
        AudioBusBuffers out[2] = {};
        for (int k = 0; k < 2; ++k) {
            in[k].numChannels = 2;
            in[k].channelBuffers32 = k == 0 ? inJunk : inZero;
            in[k].silenceFlags = 3;
            out[k].numChannels = 2;
            out[k].channelBuffers32 = outs[k];
            ProcessData data = busCall(256, &in[k], &out[k]);
            (k == 0 ? a : b).processor->process(data);
            // A channel flagged silent holds zeros only.
            for (int ch = 0; ch < 2; ++ch) {
                if ((out[k].silenceFlags >> ch) & 1u) {
                    flagsTrue = flagsTrue && std::all_of(outs[k][ch], outs[k][ch] + 256,
                                                         [](float x) { return x == 0.0f; });
                }
            }
        }
        same = same && outA == outB;
    }
    expect(same, kGroup, "an input flagged silent is processed as zeros");
    expect(flagsTrue, kGroup, "output channels flagged silent hold zeros");

    // A block of music: its output is flagged silent nowhere.
    std::vector<float> l(signal.left.begin() + 40000, signal.left.begin() + 40512);
    std::vector<float> r(signal.right.begin() + 40000, signal.right.begin() + 40512);
    std::vector<float> ol(512), orr(512);
    float* ins[2] = {l.data(), r.data()};
    float* outs[2] = {ol.data(), orr.data()};
    AudioBusBuffers in{2, 0, {ins}};
    AudioBusBuffers out{2, 3, {outs}};
    ProcessData data = busCall(512, &in, &out);
    expect(a.processor->process(data) == kResultOk && out.silenceFlags == 0, kGroup,
           "music is not flagged silent (flags " + std::to_string(out.silenceFlags) + ")");

    // Zero frames, null buffers, no buses: nothing breaks, and changes handed with no audio
    // still take effect (a host flushing parameters).
    ProcessData empty{};
    empty.numSamples = 0;
    expect(a.processor->process(empty) == kResultOk, kGroup, "zero frames, no buses");
    ParamChanges flush;
    flush.add(0, 0, 0.25);
    ProcessData flushing = busCall(0, &in, &out);
    flushing.inputParameterChanges = &flush;
    expect(a.processor->process(flushing) == kResultOk, kGroup, "zero-frame flush");
    expect(std::fabs(a.controller->getParamNormalized(0) - 0.25) < 1e-6, kGroup,
           "a change flushed with zero frames takes effect");
    AudioBusBuffers nullBus{2, 0, {nullptr}};
    ProcessData nulls = busCall(64, &nullBus, &nullBus);
    a.processor->process(nulls);
    float* halfNull[2] = {l.data(), nullptr};
    AudioBusBuffers halfBus{2, 0, {halfNull}};
    nulls.inputs = &halfBus;
    nulls.outputs = &halfBus;
    a.processor->process(nulls);
    nulls.inputs = nullptr;
    nulls.outputs = nullptr;
    a.processor->process(nulls);
    // A change beyond the block's end, or at a negative offset, is still taken.
    ParamChanges odd;
    odd.add(1, 1000000, 0.5);
    odd.add(2, -5, 0.5);
    expect(a.process(l.data(), r.data(), 64, &odd) == kResultOk, kGroup,
           "offsets outside the block");
    expect(a.process(l.data(), r.data(), 512, nullptr) == kResultOk &&
               std::all_of(l.begin(), l.end(), [](float x) { return std::isfinite(x); }),
           kGroup, "still processing after the odd calls");
    a.stop();
    b.stop();
}

} // namespace

void checkOutput(Context& context) {
    const Signal signal = fixedSignal();
    Plugin plugin(*context.module);
    if (!startedPlugin(plugin)) {
        return;
    }
    const std::vector<float> withChanges = render(plugin, signal, {512}, automation());
    plugin.stop();
    if (!expect(withChanges.size() == 2 * signal.left.size(), kGroup, "render completes")) {
        return;
    }
    checkAgainstVst2(context, signal, withChanges);
    onStartedPlugin(context, [&](Plugin& p) { checkChangesAudible(p, signal, withChanges); });
    onStartedPlugin(context, [&](Plugin& p) { checkBlocksAndActivation(p, signal, withChanges); });
    onStartedPlugin(context, [&](Plugin& p) { checkInPlace(context, p, signal); });
    onStartedPlugin(
        context, [&](Plugin& p) { checkSixtyFourBit(p, signal, withChanges); }, kSample64);
    checkSilenceAndOddCalls(context, signal);
}

} // namespace vst3check
