#include "tests/vst3/host_plugin.h"

#include "tests/wine/fixed_signal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using namespace vst3;

namespace vst3host {

Plugin::Plugin(const Module& module) {
    void* obj = nullptr;
    if (module.factory()->createInstance(module.classId(), kIComponentIid.bytes, &obj) !=
            kResultOk ||
        obj == nullptr) {
        return;
    }
    component = Ref<IComponent>::adopt(static_cast<IComponent*>(obj));
    processor = query<IAudioProcessor>(component.get(), kIAudioProcessorIid);
    controller = query<IEditController>(component.get(), kIEditControllerIid);
}

bool Plugin::start(int32 sampleSize, double rate, int maxBlock) {
    if (!ok() || component->initialize(&host) != kResultOk) {
        return false;
    }
    SpeakerArrangement in = kStereo;
    SpeakerArrangement out = kStereo;
    ProcessSetup setup{kRealtime, sampleSize, maxBlock, rate};
    return processor->setBusArrangements(&in, 1, &out, 1) == kResultTrue &&
           processor->setupProcessing(setup) == kResultOk && component->setActive(1) == kResultOk &&
           processor->setProcessing(1) == kResultOk;
}

void Plugin::stop() {
    processor->setProcessing(0);
    component->setActive(0);
    component->terminate();
}

std::vector<std::uint8_t> Plugin::getState() {
    MemoryStream stream;
    if (component->getState(&stream) != kResultOk) {
        return {};
    }
    return stream.data;
}

tresult Plugin::setState(const std::vector<std::uint8_t>& bytes) {
    MemoryStream stream(bytes);
    return component->setState(&stream);
}

namespace {

// One process() call on stereo buffers of 32- or 64-bit samples, in and out given apart.
template <typename Sample>
tresult processBuffers(IAudioProcessor& processor, Sample** inputs, Sample** outputs, int frames,
                       ParamChanges* changes) {
    constexpr bool wide = std::is_same_v<Sample, double>;
    AudioBusBuffers in{};
    in.numChannels = 2;
    AudioBusBuffers out{};
    out.numChannels = 2;
    if constexpr (wide) {
        in.channelBuffers64 = inputs;
        out.channelBuffers64 = outputs;
    } else {
        in.channelBuffers32 = inputs;
        out.channelBuffers32 = outputs;
    }
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = wide ? kSample64 : kSample32;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
    data.inputParameterChanges = changes;
    return processor.process(data);
}

// Processes into separate output buffers, then copies the output over the input.
template <typename Sample>
tresult processApart(IAudioProcessor& processor, Sample* left, Sample* right, int frames,
                     ParamChanges* changes) {
    std::vector<Sample> outL(static_cast<std::size_t>(frames));
    std::vector<Sample> outR(static_cast<std::size_t>(frames));
    Sample* inputs[2] = {left, right};
    Sample* outputs[2] = {outL.data(), outR.data()};
    const tresult result = processBuffers(processor, inputs, outputs, frames, changes);
    std::copy(outL.begin(), outL.end(), left);
    std::copy(outR.begin(), outR.end(), right);
    return result;
}

} // namespace

tresult Plugin::process(float* left, float* right, int frames, ParamChanges* changes,
                        bool inPlace) {
    if (!inPlace) {
        return processApart(*processor.get(), left, right, frames, changes);
    }
    // Two arrays naming the same channels, as a host processing in place passes them.
    float* inputs[2] = {left, right};
    float* outputs[2] = {left, right};
    return processBuffers(*processor.get(), inputs, outputs, frames, changes);
}

tresult Plugin::process64(double* left, double* right, int frames, ParamChanges* changes) {
    return processApart(*processor.get(), left, right, frames, changes);
}

Signal fixedSignal() {
    Signal s;
    fixed_signal::make(s.left, s.right);
    return s;
}

namespace {

// Walks the signal in blocks, handing each block's automation as offsets inside it.
template <typename Block>
bool walkBlocks(const Signal& signal, const std::vector<int>& blocks,
                const std::vector<Automation>& automation, Block&& block) {
    std::size_t next = 0;
    for (int start = 0, b = 0; start < signal.frames(); ++b) {
        const int size =
            std::min(blocks[static_cast<std::size_t>(b) % blocks.size()], signal.frames() - start);
        ParamChanges changes;
        while (next < automation.size() && automation[next].frame < start + size) {
            changes.add(automation[next].id, automation[next].frame - start,
                        automation[next].value);
            ++next;
        }
        if (!block(start, size, changes)) {
            return false;
        }
        start += size;
    }
    return true;
}

} // namespace

namespace {

tresult processBlock(Plugin& plugin, float* left, float* right, int frames, ParamChanges* changes) {
    return plugin.process(left, right, frames, changes);
}

tresult processBlock(Plugin& plugin, double* left, double* right, int frames,
                     ParamChanges* changes) {
    return plugin.process64(left, right, frames, changes);
}

// The signal through process() or process64() block by block, interleaved.
template <typename Sample>
std::vector<Sample> renderAs(Plugin& plugin, const Signal& signal, const std::vector<int>& blocks,
                             const std::vector<Automation>& automation) {
    std::vector<Sample> out;
    out.reserve(2 * signal.left.size());
    std::vector<Sample> l, r;
    const bool ok =
        walkBlocks(signal, blocks, automation, [&](int start, int size, ParamChanges& changes) {
            l.assign(signal.left.begin() + start, signal.left.begin() + start + size);
            r.assign(signal.right.begin() + start, signal.right.begin() + start + size);
            if (processBlock(plugin, l.data(), r.data(), size, &changes) != kResultOk) {
                return false;
            }
            for (int i = 0; i < size; ++i) {
                out.push_back(l[static_cast<std::size_t>(i)]);
                out.push_back(r[static_cast<std::size_t>(i)]);
            }
            return true;
        });
    return ok ? out : std::vector<Sample>();
}

} // namespace

std::vector<float> render(Plugin& plugin, const Signal& signal, const std::vector<int>& blocks,
                          const std::vector<Automation>& automation) {
    return renderAs<float>(plugin, signal, blocks, automation);
}

std::vector<double> render64(Plugin& plugin, const Signal& signal, const std::vector<int>& blocks,
                             const std::vector<Automation>& automation) {
    return renderAs<double>(plugin, signal, blocks, automation);
}

// ---- VST 2.4 ---------------------------------------------------------------------------

Vst2Plugin::Vst2Plugin(const std::string& path) {
    using Entry = AEffect*(VST_CALL*)(HostCallback);
#if defined(_WIN32)
    HMODULE module = LoadLibraryA(path.c_str());
    library_ = reinterpret_cast<void*>(module);
    auto entry = module != nullptr ? reinterpret_cast<Entry>(reinterpret_cast<void*>(
                                         GetProcAddress(module, "VSTPluginMain")))
                                   : nullptr;
#else
    // A name without a directory means the file here, not one on the library path.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    library_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto entry =
        library_ != nullptr ? reinterpret_cast<Entry>(dlsym(library_, "VSTPluginMain")) : nullptr;
#endif
    effect = entry != nullptr ? entry(nullptr) : nullptr;
    if (effect != nullptr && effect->magic != kEffectMagic) {
        effect = nullptr;
    }
    if (effect != nullptr) {
        effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
        effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
        effect->dispatcher(effect, effSetBlockSize, 0, kMaxBlock, nullptr, 0.0f);
        effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    }
}

Vst2Plugin::~Vst2Plugin() {
    if (effect != nullptr) {
        effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
#if defined(_WIN32)
    if (library_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(library_));
    }
#endif
    // On Linux the library stays loaded: the VST 2.4 build's record outlives effClose by
    // design (hosts never free it), and a loaded library lets the leak checker name the
    // record's allocation for its suppression (tests/vst3/lsan.supp).
}

std::vector<float> Vst2Plugin::render(const Signal& signal, int block,
                                      const std::vector<Automation>& automation) {
    std::vector<float> out;
    if (effect == nullptr) {
        return out;
    }
    out.reserve(2 * signal.left.size());
    std::vector<float> inL(signal.left), inR(signal.right);
    std::vector<float> outL(static_cast<std::size_t>(block)), outR(outL.size());
    std::size_t next = 0;
    for (int start = 0; start < signal.frames();) {
        while (next < automation.size() && automation[next].frame <= start) {
            effect->setParameter(effect, static_cast<std::int32_t>(automation[next].id),
                                 static_cast<float>(automation[next].value));
            ++next;
        }
        // Up to the next block boundary or the next automation point, whichever is first.
        int end = std::min(signal.frames(), (start / block + 1) * block);
        if (next < automation.size()) {
            end = std::min(end, automation[next].frame);
        }
        const int count = end - start;
        float* inputs[2] = {inL.data() + start, inR.data() + start};
        float* outputs[2] = {outL.data(), outR.data()};
        effect->processReplacing(effect, inputs, outputs, count);
        for (int i = 0; i < count; ++i) {
            out.push_back(outL[static_cast<std::size_t>(i)]);
            out.push_back(outR[static_cast<std::size_t>(i)]);
        }
        start = end;
    }
    return out;
}

std::string Vst2Plugin::display(int index, float value) {
    effect->setParameter(effect, index, value);
    char text[64] = {};
    effect->dispatcher(effect, effGetParamDisplay, index, 0, text, 0.0f);
    return text;
}

std::string Vst2Plugin::label(int index) {
    char text[64] = {};
    effect->dispatcher(effect, effGetParamLabel, index, 0, text, 0.0f);
    return text;
}

double largestDifference(const std::vector<float>& a, const std::vector<float>& b,
                         std::size_t* at) {
    if (a.size() != b.size() || a.empty()) {
        return std::numeric_limits<double>::infinity();
    }
    double worst = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!std::isfinite(a[i]) || !std::isfinite(b[i])) {
            if (at != nullptr) {
                *at = i;
            }
            return std::numeric_limits<double>::infinity();
        }
        const double d = std::fabs(static_cast<double>(a[i]) - b[i]);
        if (d > worst) {
            worst = d;
            if (at != nullptr) {
                *at = i;
            }
        }
    }
    return worst;
}

} // namespace vst3host
