// VST 3 binary interface: the interfaces, records and constants an audio effect with an
// editor meets, declared from the publicly documented interfaces. Each interface is an
// abstract class whose virtual functions are listed in the documented order, with no
// virtual destructor, so its table of functions is the COM-style table hosts call through
// (single inheritance from FUnknown, one pointer at offset 0). Records use natural
// alignment, which is what hosts built with the documented 8-byte packing see on 64-bit
// targets. Sizes, offsets and identifiers are pinned in tests/vst3/vst3_abi_test.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vst3 {

using int8 = std::int8_t;
using int16 = std::int16_t;
using int32 = std::int32_t;
using int64 = std::int64_t;
using uint32 = std::uint32_t;
using uint64 = std::uint64_t;
using tresult = std::int32_t;
using TBool = std::uint8_t;
using char16 = char16_t;
using TChar = char16_t;
using String128 = char16_t[128];
using FIDString = const char*;
using TUID = char[16];
using ParamID = std::uint32_t;
using ParamValue = double;
using SpeakerArrangement = std::uint64_t;
using Sample32 = float;
using Sample64 = double;

// Result codes. Windows hosts use the COM values, every other system the small ones.
#if defined(_WIN32)
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002L);
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057L);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001L);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005L);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFL);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000EL);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif

// A 16-byte identifier written as four 32-bit words. Windows lays the first eight bytes out
// as a COM GUID (a little-endian 32-bit and two 16-bit fields); elsewhere all sixteen bytes
// are in the order the words are written.
struct Uid {
    char bytes[16];
};

constexpr Uid makeUid(std::uint32_t l1, std::uint32_t l2, std::uint32_t l3, std::uint32_t l4) {
    Uid uid{};
    const auto byteOf = [](std::uint32_t word, int shift) {
        return static_cast<char>((word >> shift) & 0xffu);
    };
#if defined(_WIN32)
    const int first[8][2] = {{0, 0}, {0, 8}, {0, 16}, {0, 24}, {1, 16}, {1, 24}, {1, 0}, {1, 8}};
#else
    const int first[8][2] = {{0, 24}, {0, 16}, {0, 8}, {0, 0}, {1, 24}, {1, 16}, {1, 8}, {1, 0}};
#endif
    const std::uint32_t words[2] = {l1, l2};
    for (int i = 0; i < 8; ++i) {
        uid.bytes[i] = byteOf(words[first[i][0]], first[i][1]);
    }
    const std::uint32_t tail[2] = {l3, l4};
    for (int i = 0; i < 8; ++i) {
        uid.bytes[8 + i] = byteOf(tail[i / 4], 24 - 8 * (i % 4));
    }
    return uid;
}

inline bool sameUid(const char* a, const Uid& b) {
    if (a == nullptr) {
        return false;
    }
    for (int i = 0; i < 16; ++i) {
        if (a[i] != b.bytes[i]) {
            return false;
        }
    }
    return true;
}

// ---- Base ------------------------------------------------------------------------------

class FUnknown {
  public:
    virtual tresult queryInterface(const TUID iid, void** obj) = 0;
    virtual uint32 addRef() = 0;
    virtual uint32 release() = 0;
};
constexpr Uid kFUnknownIid = makeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);

class IPluginBase : public FUnknown {
  public:
    virtual tresult initialize(FUnknown* context) = 0;
    virtual tresult terminate() = 0;
};
constexpr Uid kIPluginBaseIid = makeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);

class IBStream : public FUnknown {
  public:
    enum SeekMode : int32 { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };
    virtual tresult read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;
    virtual tresult write(void* buffer, int32 numBytes, int32* numBytesWritten) = 0;
    virtual tresult seek(int64 pos, int32 mode, int64* result) = 0;
    virtual tresult tell(int64* pos) = 0;
};
constexpr Uid kIBStreamIid = makeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);

// ---- Factory ---------------------------------------------------------------------------

struct PFactoryInfo {
    enum FactoryFlags : int32 {
        kNoFlags = 0,
        kClassesDiscardable = 1 << 0,
        kLicenseCheck = 1 << 1,
        kComponentNonDiscardable = 1 << 3,
        kUnicode = 1 << 4,
    };
    char vendor[64];
    char url[256];
    char email[128];
    int32 flags;
};

constexpr int32 kManyInstances = 0x7FFFFFFF;

struct PClassInfo {
    TUID cid;
    int32 cardinality;
    char category[32];
    char name[64];
};

struct PClassInfo2 {
    TUID cid;
    int32 cardinality;
    char category[32];
    char name[64];
    uint32 classFlags;
    char subCategories[128];
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};

struct PClassInfoW {
    TUID cid;
    int32 cardinality;
    char category[32];
    char16 name[64];
    uint32 classFlags;
    char subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};

class IPluginFactory : public FUnknown {
  public:
    virtual tresult getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32 countClasses() = 0;
    virtual tresult getClassInfo(int32 index, PClassInfo* info) = 0;
    virtual tresult createInstance(FIDString cid, FIDString iid, void** obj) = 0;
};
constexpr Uid kIPluginFactoryIid = makeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);

class IPluginFactory2 : public IPluginFactory {
  public:
    virtual tresult getClassInfo2(int32 index, PClassInfo2* info) = 0;
};
constexpr Uid kIPluginFactory2Iid = makeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);

class IPluginFactory3 : public IPluginFactory2 {
  public:
    virtual tresult getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
    virtual tresult setHostContext(FUnknown* context) = 0;
};
constexpr Uid kIPluginFactory3Iid = makeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);

class IHostApplication : public FUnknown {
  public:
    virtual tresult getName(String128 name) = 0;
    virtual tresult createInstance(TUID cid, TUID iid, void** obj) = 0;
};
constexpr Uid kIHostApplicationIid = makeUid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);

// ---- Component -------------------------------------------------------------------------

enum MediaTypes : int32 { kAudio = 0, kEvent = 1 };
enum BusDirections : int32 { kInput = 0, kOutput = 1 };
enum BusTypes : int32 { kMain = 0, kAux = 1 };
enum IoModes : int32 { kSimple = 0, kAdvanced = 1, kOfflineProcessing = 2 };

struct BusInfo {
    enum BusFlags : uint32 { kDefaultActive = 1u << 0 };
    int32 mediaType;
    int32 direction;
    int32 channelCount;
    String128 name;
    int32 busType;
    uint32 flags;
};

struct RoutingInfo {
    int32 mediaType;
    int32 busIndex;
    int32 channel;
};

class IComponent : public IPluginBase {
  public:
    virtual tresult getControllerClassId(TUID classId) = 0;
    virtual tresult setIoMode(int32 mode) = 0;
    virtual int32 getBusCount(int32 type, int32 dir) = 0;
    virtual tresult getBusInfo(int32 type, int32 dir, int32 index, BusInfo& bus) = 0;
    virtual tresult getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
    virtual tresult activateBus(int32 type, int32 dir, int32 index, TBool state) = 0;
    virtual tresult setActive(TBool state) = 0;
    virtual tresult setState(IBStream* state) = 0;
    virtual tresult getState(IBStream* state) = 0;
};
constexpr Uid kIComponentIid = makeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);

// ---- Audio processing ------------------------------------------------------------------

enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };
enum ProcessModes : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
constexpr SpeakerArrangement kSpeakerL = 1u << 0;
constexpr SpeakerArrangement kSpeakerR = 1u << 1;
constexpr SpeakerArrangement kStereo = kSpeakerL | kSpeakerR;

struct ProcessSetup {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 maxSamplesPerBlock;
    double sampleRate;
};

struct AudioBusBuffers {
    int32 numChannels;
    uint64 silenceFlags;
    union {
        Sample32** channelBuffers32;
        Sample64** channelBuffers64;
    };
};

class IParamValueQueue : public FUnknown {
  public:
    virtual ParamID getParameterId() = 0;
    virtual int32 getPointCount() = 0;
    virtual tresult getPoint(int32 index, int32& sampleOffset, ParamValue& value) = 0;
    virtual tresult addPoint(int32 sampleOffset, ParamValue value, int32& index) = 0;
};
constexpr Uid kIParamValueQueueIid = makeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);

class IParameterChanges : public FUnknown {
  public:
    virtual int32 getParameterCount() = 0;
    virtual IParamValueQueue* getParameterData(int32 index) = 0;
    virtual IParamValueQueue* addParameterData(const ParamID& id, int32& index) = 0;
};
constexpr Uid kIParameterChangesIid = makeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);

class IEventList; // events are not used: the plug-in has no event buses
struct ProcessContext;

struct ProcessData {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples;
    int32 numInputs;
    int32 numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

class IAudioProcessor : public FUnknown {
  public:
    virtual tresult setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                       SpeakerArrangement* outputs, int32 numOuts) = 0;
    virtual tresult getBusArrangement(int32 dir, int32 index, SpeakerArrangement& arr) = 0;
    virtual tresult canProcessSampleSize(int32 symbolicSampleSize) = 0;
    virtual uint32 getLatencySamples() = 0;
    virtual tresult setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult setProcessing(TBool state) = 0;
    virtual tresult process(ProcessData& data) = 0;
    virtual uint32 getTailSamples() = 0;
};
constexpr Uid kIAudioProcessorIid = makeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);

// ---- Edit controller -------------------------------------------------------------------

struct ParameterInfo {
    enum ParameterFlags : int32 {
        kNoFlags = 0,
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3,
        kIsHidden = 1 << 4,
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16,
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32 stepCount;
    ParamValue defaultNormalizedValue;
    int32 unitId;
    int32 flags;
};

class IComponentHandler : public FUnknown {
  public:
    virtual tresult beginEdit(ParamID id) = 0;
    virtual tresult performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult endEdit(ParamID id) = 0;
    virtual tresult restartComponent(int32 flags) = 0;
};
constexpr Uid kIComponentHandlerIid = makeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);

// Flags of restartComponent.
enum RestartFlags : int32 {
    kReloadComponent = 1 << 0,
    kIoChanged = 1 << 1,
    kParamValuesChanged = 1 << 2,
    kLatencyChanged = 1 << 3,
    kParamTitlesChanged = 1 << 4,
};

class IComponentHandler2 : public FUnknown {
  public:
    virtual tresult setDirty(TBool state) = 0;
    virtual tresult requestOpenEditor(FIDString name) = 0;
    virtual tresult startGroupEdit() = 0;
    virtual tresult finishGroupEdit() = 0;
};
constexpr Uid kIComponentHandler2Iid = makeUid(0xF040B4B3, 0xA36045EC, 0xABCDC045, 0xB4D5A2CC);

class IPlugView;

class IEditController : public IPluginBase {
  public:
    virtual tresult setComponentState(IBStream* state) = 0;
    virtual tresult setState(IBStream* state) = 0;
    virtual tresult getState(IBStream* state) = 0;
    virtual int32 getParameterCount() = 0;
    virtual tresult getParameterInfo(int32 paramIndex, ParameterInfo& info) = 0;
    virtual tresult getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                          String128 string) = 0;
    virtual tresult getParamValueByString(ParamID id, TChar* string,
                                          ParamValue& valueNormalized) = 0;
    virtual ParamValue normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue getParamNormalized(ParamID id) = 0;
    virtual tresult setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* createView(FIDString name) = 0;
};
constexpr Uid kIEditControllerIid = makeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);

class IMessage;

class IConnectionPoint : public FUnknown {
  public:
    virtual tresult connect(IConnectionPoint* other) = 0;
    virtual tresult disconnect(IConnectionPoint* other) = 0;
    virtual tresult notify(IMessage* message) = 0;
};
constexpr Uid kIConnectionPointIid = makeUid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);

// ---- Editor view -----------------------------------------------------------------------

constexpr const char* kPlatformTypeHWND = "HWND";
constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";
constexpr const char* kEditorViewName = "editor";

struct ViewRect {
    int32 left;
    int32 top;
    int32 right;
    int32 bottom;
};

class IPlugFrame;

class IPlugView : public FUnknown {
  public:
    virtual tresult isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult attached(void* parent, FIDString type) = 0;
    virtual tresult removed() = 0;
    virtual tresult onWheel(float distance) = 0;
    virtual tresult onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;
    virtual tresult getSize(ViewRect* size) = 0;
    virtual tresult onSize(ViewRect* newSize) = 0;
    virtual tresult onFocus(TBool state) = 0;
    virtual tresult setFrame(IPlugFrame* frame) = 0;
    virtual tresult canResize() = 0;
    virtual tresult checkSizeConstraint(ViewRect* rect) = 0;
};
constexpr Uid kIPlugViewIid = makeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);

class IPlugFrame : public FUnknown {
  public:
    virtual tresult resizeView(IPlugView* view, ViewRect* newSize) = 0;
};
constexpr Uid kIPlugFrameIid = makeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);

class IPlugViewContentScaleSupport : public FUnknown {
  public:
    virtual tresult setContentScaleFactor(float factor) = 0;
};
constexpr Uid kIPlugViewContentScaleSupportIid =
    makeUid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);

// Linux: the host's run loop, reached through the IPlugFrame. The editor's connection to
// the X server and its animation timer are served from it.
using FileDescriptor = int;
using TimerInterval = std::uint64_t; // milliseconds

class IEventHandler : public FUnknown {
  public:
    virtual void onFDIsSet(FileDescriptor fd) = 0;
};
constexpr Uid kIEventHandlerIid = makeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);

class ITimerHandler : public FUnknown {
  public:
    virtual void onTimer() = 0;
};
constexpr Uid kITimerHandlerIid = makeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);

class IRunLoop : public FUnknown {
  public:
    virtual tresult registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
    virtual tresult unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult registerTimer(ITimerHandler* handler, TimerInterval milliseconds) = 0;
    virtual tresult unregisterTimer(ITimerHandler* handler) = 0;
};
constexpr Uid kIRunLoopIid = makeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);

// ---- Module entry points ---------------------------------------------------------------

// Every system: the factory, a new reference for each call.
using GetFactoryProc = IPluginFactory* (*)();
// Linux: called once after loading / before unloading, with the library's dlopen handle.
using ModuleEntryProc = bool (*)(void* sharedLibraryHandle);
using ModuleExitProc = bool (*)();
// Windows: called once after loading / before unloading.
using InitDllProc = bool (*)();
using ExitDllProc = bool (*)();

} // namespace vst3
