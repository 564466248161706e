// The VST 3 face of one plug-in instance: component, audio processor and edit controller in
// one object (hosts find the controller by asking the component for it), over the same
// PluginInstance the VST 2.4 build uses.
//
// Threads, as VST 3 hosts call:
// - the host's main (UI) thread: lifecycle, bus and parameter queries, state, the view;
// - the audio thread: process() and nothing else. It never waits: it takes the instance
//   lock only with try_lock and otherwise applies what it must to its own engine.
#pragma once

#include "host/plugin_instance.h"
#include "vst3/vst3_abi.h"

#include <array>
#include <atomic>
#include <vector>

namespace vst3 {

class ParamChangeCursor;

// Where the instance is in the host's call sequence.
enum class Stage { Created, Initialized, Active };

class TolvanePlugin final : public IComponent, public IAudioProcessor, public IEditController {
  public:
    TolvanePlugin();
    ~TolvanePlugin();
    TolvanePlugin(const TolvanePlugin&) = delete;
    TolvanePlugin& operator=(const TolvanePlugin&) = delete;

    // FUnknown
    tresult queryInterface(const TUID iid, void** obj) override;
    uint32 addRef() override;
    uint32 release() override;

    // IPluginBase
    tresult initialize(FUnknown* context) override;
    tresult terminate() override;

    // IComponent
    tresult getControllerClassId(TUID classId) override;
    tresult setIoMode(int32 mode) override;
    int32 getBusCount(int32 type, int32 dir) override;
    tresult getBusInfo(int32 type, int32 dir, int32 index, BusInfo& bus) override;
    tresult getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) override;
    tresult activateBus(int32 type, int32 dir, int32 index, TBool state) override;
    tresult setActive(TBool state) override;
    // IComponent and IEditController declare these two with the same signature, so one
    // definition serves both: the record holds everything, and a controller state handed
    // back by the host is that same record.
    tresult setState(IBStream* state) override;
    tresult getState(IBStream* state) override;

    // IAudioProcessor
    tresult setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                               SpeakerArrangement* outputs, int32 numOuts) override;
    tresult getBusArrangement(int32 dir, int32 index, SpeakerArrangement& arr) override;
    tresult canProcessSampleSize(int32 symbolicSampleSize) override;
    uint32 getLatencySamples() override;
    tresult setupProcessing(ProcessSetup& setup) override;
    tresult setProcessing(TBool state) override;
    tresult process(ProcessData& data) override;
    uint32 getTailSamples() override;

    // IEditController
    tresult setComponentState(IBStream* state) override;
    tresult getParameterInfo(int32 paramIndex, ParameterInfo& info) override;
    int32 getParameterCount() override;
    tresult getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                  String128 string) override;
    tresult getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) override;
    ParamValue normalizedParamToPlain(ParamID id, ParamValue valueNormalized) override;
    ParamValue plainParamToNormalized(ParamID id, ParamValue plainValue) override;
    ParamValue getParamNormalized(ParamID id) override;
    tresult setParamNormalized(ParamID id, ParamValue value) override;
    tresult setComponentHandler(IComponentHandler* handler) override;
    IPlugView* createView(FIDString name) override;

    // UI thread, from the view after every event the editor handled: reports knob and
    // bypass changes to the host as edits (begin, perform, end) and band, preset or
    // selection changes as an unsaved project.
    void editorEventHandled();

    PluginInstance* inst = nullptr; // null only when building it failed

  private:
    void applyParamOnAudio(int index, float value) noexcept;
    void applyChanges(ParamChangeCursor& changes, int32 through) noexcept;
    template <typename Sample>
    void processBus(ParamChangeCursor& changes, AudioBusBuffers& in, AudioBusBuffers& out,
                    int32 frames) noexcept;
    void runSegment(float* left, float* right, int32 frames) noexcept;
    void runSegment(double* left, double* right, int32 frames) noexcept;
    void processSegment(float* left, float* right, int32 frames) noexcept;
    void meterBlock(const float* left, const float* right, int32 frames) noexcept;
    void meterBlock(const double* left, const double* right, int32 frames) noexcept;
    void resetRunningState() noexcept;
    void noteHostValue(int index, float value) noexcept;
    void reportParamEdits();
    void reportBandEdits();

    std::atomic<uint32> refCount{1};
    Stage stage = Stage::Created;
    bool processing = false;
    int32 sampleSize = kSample32;
    double sampleRate = 48000.0;
    IComponentHandler* componentHandler = nullptr;
    IComponentHandler2* componentHandler2 = nullptr;

    // Set when an edit could not be made on the editing side because the editor held the
    // lock; the audio thread finishes it the next time it gets the lock.
    std::atomic<bool> editRebuildPending{false};
    std::atomic<bool> resetPending{false};

    // What the host last set for each parameter, so the editor's own changes can be told
    // apart from the host's, and which edits are open towards the host.
    std::array<std::atomic<float>, 5> hostValues{};
    std::array<float, 5> reportedValues{};
    std::array<bool, 5> editOpen{};
    std::vector<Band> reportedBands;
    std::int32_t reportedPreset = 0;
    std::int32_t reportedSelection = 0;
};

} // namespace vst3
