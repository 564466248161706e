// One plug-in instance as the test host drives it, the renders the checks compare, and the
// VST 2.4 build loaded beside it as the reference for the output.
#pragma once

#include "host/vst_abi.h"
#include "tests/vst3/host_module.h"
#include "tests/vst3/host_objects.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vst3host {

constexpr double kRate = 48000.0;
constexpr int kMaxBlock = 4096;

class Plugin {
  public:
    // A new instance of the module's class with its three faces; check `ok()`.
    explicit Plugin(const Module& module);
    bool ok() const { return component && processor && controller; }

    // The sequence a host runs before audio: initialize (with the host application),
    // stereo buses, setupProcessing, activate, start processing. False at the first step
    // the plug-in refuses.
    bool start(vst3::int32 sampleSize = vst3::kSample32, double rate = kRate,
               int maxBlock = kMaxBlock);
    // Back again: stop processing, deactivate, terminate.
    void stop();

    std::vector<std::uint8_t> getState();
    vst3::tresult setState(const std::vector<std::uint8_t>& bytes);

    // One block of 32- or 64-bit audio through process(); `changes` may be null. In and out
    // are separate buffers unless `inPlace`.
    vst3::tresult process(float* left, float* right, int frames, ParamChanges* changes,
                          bool inPlace = false);
    vst3::tresult process64(double* left, double* right, int frames, ParamChanges* changes);

    // Declared first so it outlives the plug-in's references.
    HostApplication host;
    Ref<vst3::IComponent> component;
    Ref<vst3::IAudioProcessor> processor;
    Ref<vst3::IEditController> controller;
};

// A parameter change at an absolute frame of a render.
struct Automation {
    int frame;
    vst3::ParamID id;
    double value;
};

// The fixed stereo signal of tests/wine/fixed_signal.h (both toolchains make it alike).
struct Signal {
    std::vector<float> left;
    std::vector<float> right;
    int frames() const { return static_cast<int>(left.size()); }
};
Signal fixedSignal();

// Block sizes cycled through a render; automation points go into the block holding them
// with their offset inside it. Returns the output interleaved; empty if a call failed.
std::vector<float> render(Plugin& plugin, const Signal& signal, const std::vector<int>& blocks,
                          const std::vector<Automation>& automation = {});
std::vector<double> render64(Plugin& plugin, const Signal& signal, const std::vector<int>& blocks,
                             const std::vector<Automation>& automation = {});

// The VST 2.4 build (Tolvane-Q.so / Tolvane-Q.dll) through its entry point.
class Vst2Plugin {
  public:
    explicit Vst2Plugin(const std::string& path);
    ~Vst2Plugin();
    Vst2Plugin(const Vst2Plugin&) = delete;
    Vst2Plugin& operator=(const Vst2Plugin&) = delete;
    bool ok() const { return effect != nullptr; }

    // Blocks of `block` frames, also cut at every automation frame, with setParameter
    // called before the piece that starts there: what the VST 3 build must match.
    std::vector<float> render(const Signal& signal, int block,
                              const std::vector<Automation>& automation);
    // The display text and unit label of a parameter at `value`.
    std::string display(int index, float value);
    std::string label(int index);

    AEffect* effect = nullptr;

  private:
    void* library_ = nullptr;
};

// Largest absolute difference between two renders; infinity when their sizes differ or a
// sample is not finite.
double largestDifference(const std::vector<float>& a, const std::vector<float>& b,
                         std::size_t* at = nullptr);

} // namespace vst3host
