// Pins vst3/vst3_abi.h to the binary interface hosts were compiled against: record sizes
// and field offsets, interface identifiers byte for byte, result codes, and the order of
// every interface's functions in its table. Built natively with GoogleTest and with mingw
// (run under wine), since Windows lays identifiers out differently and uses COM results.
#include "vst3/vst3_abi.h"

#if defined(TOLVANE_MINI_GTEST)
#include "tests/vst3/mini_gtest.h"
#else
#include <gtest/gtest.h>
#endif

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

using namespace vst3;

// ---- Records: sizes and offsets as the documented field lists lay them out -------------

// vendor[64] url[256] email[128] flags
static_assert(offsetof(PFactoryInfo, url) == 64 && offsetof(PFactoryInfo, email) == 320);
static_assert(offsetof(PFactoryInfo, flags) == 448 && sizeof(PFactoryInfo) == 452);
// cid[16] cardinality category[32] name[64]
static_assert(offsetof(PClassInfo, cardinality) == 16 && offsetof(PClassInfo, category) == 20);
static_assert(offsetof(PClassInfo, name) == 52 && sizeof(PClassInfo) == 116);
// ... then classFlags, subCategories[128], vendor/version/sdkVersion[64] each
static_assert(offsetof(PClassInfo2, classFlags) == 116);
static_assert(offsetof(PClassInfo2, subCategories) == 120);
static_assert(offsetof(PClassInfo2, vendor) == 248 && offsetof(PClassInfo2, version) == 312);
static_assert(offsetof(PClassInfo2, sdkVersion) == 376 && sizeof(PClassInfo2) == 440);
// The wide variant: name and the three strings in UTF-16.
static_assert(offsetof(PClassInfoW, name) == 52 && offsetof(PClassInfoW, classFlags) == 180);
static_assert(offsetof(PClassInfoW, subCategories) == 184);
static_assert(offsetof(PClassInfoW, vendor) == 312 && offsetof(PClassInfoW, version) == 440);
static_assert(offsetof(PClassInfoW, sdkVersion) == 568 && sizeof(PClassInfoW) == 696);
// mediaType direction channelCount name[128 UTF-16] busType flags
static_assert(offsetof(BusInfo, channelCount) == 8 && offsetof(BusInfo, name) == 12);
static_assert(offsetof(BusInfo, busType) == 268 && offsetof(BusInfo, flags) == 272);
static_assert(sizeof(BusInfo) == 276);
static_assert(sizeof(RoutingInfo) == 12);
// id title shortTitle units stepCount (pad) defaultNormalizedValue unitId flags
static_assert(offsetof(ParameterInfo, title) == 4 && offsetof(ParameterInfo, shortTitle) == 260);
static_assert(offsetof(ParameterInfo, units) == 516 && offsetof(ParameterInfo, stepCount) == 772);
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776);
static_assert(offsetof(ParameterInfo, unitId) == 784 && offsetof(ParameterInfo, flags) == 788);
static_assert(sizeof(ParameterInfo) == 792);
// processMode symbolicSampleSize maxSamplesPerBlock (pad) sampleRate
static_assert(offsetof(ProcessSetup, maxSamplesPerBlock) == 8);
static_assert(offsetof(ProcessSetup, sampleRate) == 16 && sizeof(ProcessSetup) == 24);
// numChannels (pad) silenceFlags channelBuffers
static_assert(offsetof(AudioBusBuffers, silenceFlags) == 8);
static_assert(offsetof(AudioBusBuffers, channelBuffers32) == 16);
static_assert(offsetof(AudioBusBuffers, channelBuffers64) == 16 && sizeof(AudioBusBuffers) == 24);
// five int32 (pad) then seven pointers
static_assert(offsetof(ProcessData, numOutputs) == 16 && offsetof(ProcessData, inputs) == 24);
static_assert(offsetof(ProcessData, outputs) == 32);
static_assert(offsetof(ProcessData, inputParameterChanges) == 40);
static_assert(offsetof(ProcessData, outputParameterChanges) == 48);
static_assert(offsetof(ProcessData, inputEvents) == 56);
static_assert(offsetof(ProcessData, outputEvents) == 64);
static_assert(offsetof(ProcessData, processContext) == 72 && sizeof(ProcessData) == 80);
static_assert(offsetof(ViewRect, bottom) == 12 && sizeof(ViewRect) == 16);
static_assert(sizeof(TUID) == 16 && sizeof(Uid) == 16 && sizeof(TBool) == 1);
static_assert(sizeof(char16) == 2 && sizeof(String128) == 256 && sizeof(ParamValue) == 8);
static_assert(sizeof(SpeakerArrangement) == 8 && sizeof(TimerInterval) == 8);
// Every interface is one table pointer and nothing else.
static_assert(sizeof(FUnknown) == sizeof(void*) && sizeof(IEditController) == sizeof(void*));
static_assert(sizeof(IPlugView) == sizeof(void*) && sizeof(IRunLoop) == sizeof(void*));

// ---- Constants -------------------------------------------------------------------------

TEST(Vst3Abi, ResultCodesAreThePlatformsOwn) {
#if defined(_WIN32)
    const std::vector<std::pair<tresult, std::uint32_t>> codes = {{kNoInterface, 0x80004002u},
                                                                  {kResultOk, 0},
                                                                  {kResultTrue, 0},
                                                                  {kResultFalse, 1},
                                                                  {kInvalidArgument, 0x80070057u},
                                                                  {kNotImplemented, 0x80004001u},
                                                                  {kInternalError, 0x80004005u},
                                                                  {kNotInitialized, 0x8000FFFFu},
                                                                  {kOutOfMemory, 0x8007000Eu}};
#else
    const std::vector<std::pair<tresult, std::uint32_t>> codes = {
        {kNoInterface, 0xFFFFFFFFu}, {kResultOk, 0},        {kResultTrue, 0},
        {kResultFalse, 1},           {kInvalidArgument, 2}, {kNotImplemented, 3},
        {kInternalError, 4},         {kNotInitialized, 5},  {kOutOfMemory, 6}};
#endif
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_EQ(static_cast<std::uint32_t>(codes[i].first), codes[i].second) << "code " << i;
    }
}

TEST(Vst3Abi, FlagsAndArrangements) {
    EXPECT_EQ(static_cast<int>(ParameterInfo::kCanAutomate), 1);
    EXPECT_EQ(static_cast<int>(ParameterInfo::kIsList), 8);
    EXPECT_EQ(static_cast<int>(ParameterInfo::kIsProgramChange), 0x8000);
    EXPECT_EQ(static_cast<int>(ParameterInfo::kIsBypass), 0x10000);
    EXPECT_EQ(static_cast<int>(PFactoryInfo::kUnicode), 16);
    EXPECT_EQ(static_cast<unsigned>(BusInfo::kDefaultActive), 1u);
    EXPECT_EQ(kStereo, static_cast<SpeakerArrangement>(3));
    EXPECT_EQ(static_cast<int>(kSample64), 1);
    EXPECT_EQ(kManyInstances, 0x7FFFFFFF);
    EXPECT_EQ(static_cast<int>(kParamValuesChanged), 4);
    EXPECT_EQ(std::string(kPlatformTypeX11EmbedWindowID), "X11EmbedWindowID");
    EXPECT_EQ(std::string(kPlatformTypeHWND), "HWND");
}

// ---- Identifiers -----------------------------------------------------------------------

namespace {

struct DocumentedIid {
    const char* name;
    const Uid& declared;
    std::uint32_t words[4];
};

// The four words each interface's identifier is documented with.
const DocumentedIid kDocumentedIids[] = {
    {"FUnknown", kFUnknownIid, {0x00000000, 0x00000000, 0xC0000000, 0x00000046}},
    {"IPluginBase", kIPluginBaseIid, {0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625}},
    {"IBStream", kIBStreamIid, {0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B}},
    {"IPluginFactory", kIPluginFactoryIid, {0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F}},
    {"IPluginFactory2", kIPluginFactory2Iid, {0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB}},
    {"IPluginFactory3", kIPluginFactory3Iid, {0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931}},
    {"IHostApplication", kIHostApplicationIid, {0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5}},
    {"IComponent", kIComponentIid, {0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802}},
    {"IParamValueQueue", kIParamValueQueueIid, {0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA}},
    {"IParameterChanges", kIParameterChangesIid, {0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D}},
    {"IAudioProcessor", kIAudioProcessorIid, {0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D}},
    {"IComponentHandler", kIComponentHandlerIid, {0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6}},
    {"IComponentHandler2",
     kIComponentHandler2Iid,
     {0xF040B4B3, 0xA36045EC, 0xABCDC045, 0xB4D5A2CC}},
    {"IEditController", kIEditControllerIid, {0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E}},
    {"IConnectionPoint", kIConnectionPointIid, {0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1}},
    {"IPlugView", kIPlugViewIid, {0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29}},
    {"IPlugFrame", kIPlugFrameIid, {0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3}},
    {"IPlugViewContentScaleSupport",
     kIPlugViewContentScaleSupportIid,
     {0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F}},
    {"IEventHandler", kIEventHandlerIid, {0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983}},
    {"ITimerHandler", kITimerHandlerIid, {0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9}},
    {"IRunLoop", kIRunLoopIid, {0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389}},
};

// The sixteen bytes hosts compare. On Windows the first two words are a COM GUID's Data1
// (32-bit), Data2 and Data3 (16-bit), each little-endian; the rest, and on every other
// system all four words, are stored most significant byte first.
std::vector<unsigned char> iidBytes(const std::uint32_t (&w)[4]) {
    std::vector<unsigned char> out;
    const auto big = [&out](std::uint32_t word) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<unsigned char>(word >> shift));
        }
    };
#if defined(_WIN32)
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<unsigned char>(w[0] >> shift));
    }
    const std::uint32_t data2 = w[1] >> 16;
    const std::uint32_t data3 = w[1] & 0xFFFFu;
    out.push_back(static_cast<unsigned char>(data2));
    out.push_back(static_cast<unsigned char>(data2 >> 8));
    out.push_back(static_cast<unsigned char>(data3));
    out.push_back(static_cast<unsigned char>(data3 >> 8));
#else
    big(w[0]);
    big(w[1]);
#endif
    big(w[2]);
    big(w[3]);
    return out;
}

std::vector<unsigned char> bytesOf(const Uid& uid) {
    return std::vector<unsigned char>(uid.bytes, uid.bytes + 16);
}

std::string hex(const std::vector<unsigned char>& bytes) {
    std::string s;
    char buffer[4];
    for (unsigned char b : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X", b);
        s += buffer;
    }
    return s;
}

} // namespace

TEST(Vst3Abi, EveryInterfaceIdentifierHasItsDocumentedBytes) {
    for (const DocumentedIid& iid : kDocumentedIids) {
        EXPECT_EQ(hex(bytesOf(iid.declared)), hex(iidBytes(iid.words))) << iid.name;
    }
}

TEST(Vst3Abi, IdentifierBytesAsHostsStoreThem) {
    // Written out by hand, so a shared mistake in the helper above cannot hide.
    EXPECT_EQ(hex(bytesOf(kFUnknownIid)), "0000000000000000C000000000000046");
#if defined(_WIN32)
    EXPECT_EQ(hex(bytesOf(kIComponentIid)), "31FF31E8D5F20143928EBBEE25697802");
    EXPECT_EQ(hex(bytesOf(kIPlugViewIid)), "0725C35B60D0EA49A6151B522B755B29");
#else
    EXPECT_EQ(hex(bytesOf(kIComponentIid)), "E831FF31F2D54301928EBBEE25697802");
    EXPECT_EQ(hex(bytesOf(kIPlugViewIid)), "5BC32507D06049EAA6151B522B755B29");
#endif
    EXPECT_TRUE(sameUid(kIComponentIid.bytes, kIComponentIid));
    EXPECT_TRUE(!sameUid(kIComponentIid.bytes, kIEditControllerIid));
    EXPECT_TRUE(!sameUid(nullptr, kFUnknownIid));
}

TEST(Vst3Abi, IdentifiersAreDistinct) {
    const std::size_t n = sizeof kDocumentedIids / sizeof kDocumentedIids[0];
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            EXPECT_TRUE(std::memcmp(kDocumentedIids[i].declared.bytes,
                                    kDocumentedIids[j].declared.bytes, 16) != 0)
                << kDocumentedIids[i].name << " and " << kDocumentedIids[j].name;
        }
    }
}

// ---- Function tables -------------------------------------------------------------------
//
// Each recorder implements one interface, every function noting its own name. A test then
// calls entry i of the object's raw table (what a host compiled elsewhere does) and wants
// the function documented at position i to run: a function declared out of order, missing
// or added lands in another entry.

namespace {

template <typename Interface> class Recorder : public Interface {
  public:
    std::vector<std::string> ran;

    tresult queryInterface(const TUID, void**) override { return hit("queryInterface"); }
    uint32 addRef() override { return hit("addRef"); }
    uint32 release() override { return hit("release"); }

  protected:
    // Zero of any return type.
    struct Zero {
        template <typename T> operator T() const { return T{}; }
    };
    Zero hit(const char* name) {
        ran.emplace_back(name);
        return {};
    }
};

// Calls entry `slot` of the object's table. No function of a recorder looks at its
// arguments, and the 64-bit calling conventions let a caller pass fewer than are declared.
template <typename Interface> void callSlot(Interface* object, int slot) {
    using Raw = void (*)(void*);
    void** table = *reinterpret_cast<void***>(object);
    reinterpret_cast<Raw>(table[slot])(object);
}

template <typename R>
void expectTable(R& recorder, const std::vector<std::string>& documented, const char* name) {
    for (std::size_t slot = 0; slot < documented.size(); ++slot) {
        recorder.ran.clear();
        callSlot(&recorder, static_cast<int>(slot));
        const std::string got = recorder.ran.size() == 1 ? recorder.ran[0] : "(none)";
        EXPECT_EQ(got, documented[slot]) << name << " slot " << slot;
    }
}

const std::vector<std::string> kUnknown = {"queryInterface", "addRef", "release"};

std::vector<std::string> after(const std::vector<std::string>& base,
                               const std::vector<std::string>& more) {
    std::vector<std::string> all = base;
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

const std::vector<std::string> kPluginBase = after(kUnknown, {"initialize", "terminate"});
const std::vector<std::string> kFactory =
    after(kUnknown, {"getFactoryInfo", "countClasses", "getClassInfo", "createInstance"});
const std::vector<std::string> kFactory2 = after(kFactory, {"getClassInfo2"});

struct UnknownRec : Recorder<FUnknown> {};

struct PluginBaseRec : Recorder<IPluginBase> {
    tresult initialize(FUnknown*) override { return hit("initialize"); }
    tresult terminate() override { return hit("terminate"); }
};

struct StreamRec : Recorder<IBStream> {
    tresult read(void*, int32, int32*) override { return hit("read"); }
    tresult write(void*, int32, int32*) override { return hit("write"); }
    tresult seek(int64, int32, int64*) override { return hit("seek"); }
    tresult tell(int64*) override { return hit("tell"); }
};

template <typename I> struct FactoryBase : Recorder<I> {
    tresult getFactoryInfo(PFactoryInfo*) override { return this->hit("getFactoryInfo"); }
    int32 countClasses() override { return this->hit("countClasses"); }
    tresult getClassInfo(int32, PClassInfo*) override { return this->hit("getClassInfo"); }
    tresult createInstance(FIDString, FIDString, void**) override {
        return this->hit("createInstance");
    }
};
struct FactoryRec : FactoryBase<IPluginFactory> {};
template <typename I> struct Factory2Base : FactoryBase<I> {
    tresult getClassInfo2(int32, PClassInfo2*) override { return this->hit("getClassInfo2"); }
};
struct Factory2Rec : Factory2Base<IPluginFactory2> {};
struct Factory3Rec : Factory2Base<IPluginFactory3> {
    tresult getClassInfoUnicode(int32, PClassInfoW*) override { return hit("getClassInfoUnicode"); }
    tresult setHostContext(FUnknown*) override { return hit("setHostContext"); }
};

struct HostApplicationRec : Recorder<IHostApplication> {
    tresult getName(String128) override { return hit("getName"); }
    tresult createInstance(TUID, TUID, void**) override { return hit("createInstance"); }
};

struct ComponentRec : Recorder<IComponent> {
    tresult initialize(FUnknown*) override { return hit("initialize"); }
    tresult terminate() override { return hit("terminate"); }
    tresult getControllerClassId(TUID) override { return hit("getControllerClassId"); }
    tresult setIoMode(int32) override { return hit("setIoMode"); }
    int32 getBusCount(int32, int32) override { return hit("getBusCount"); }
    tresult getBusInfo(int32, int32, int32, BusInfo&) override { return hit("getBusInfo"); }
    tresult getRoutingInfo(RoutingInfo&, RoutingInfo&) override { return hit("getRoutingInfo"); }
    tresult activateBus(int32, int32, int32, TBool) override { return hit("activateBus"); }
    tresult setActive(TBool) override { return hit("setActive"); }
    tresult setState(IBStream*) override { return hit("setState"); }
    tresult getState(IBStream*) override { return hit("getState"); }
};

struct QueueRec : Recorder<IParamValueQueue> {
    ParamID getParameterId() override { return hit("getParameterId"); }
    int32 getPointCount() override { return hit("getPointCount"); }
    tresult getPoint(int32, int32&, ParamValue&) override { return hit("getPoint"); }
    tresult addPoint(int32, ParamValue, int32&) override { return hit("addPoint"); }
};

struct ChangesRec : Recorder<IParameterChanges> {
    int32 getParameterCount() override { return hit("getParameterCount"); }
    IParamValueQueue* getParameterData(int32) override { return hit("getParameterData"); }
    IParamValueQueue* addParameterData(const ParamID&, int32&) override {
        return hit("addParameterData");
    }
};

struct ProcessorRec : Recorder<IAudioProcessor> {
    tresult setBusArrangements(SpeakerArrangement*, int32, SpeakerArrangement*, int32) override {
        return hit("setBusArrangements");
    }
    tresult getBusArrangement(int32, int32, SpeakerArrangement&) override {
        return hit("getBusArrangement");
    }
    tresult canProcessSampleSize(int32) override { return hit("canProcessSampleSize"); }
    uint32 getLatencySamples() override { return hit("getLatencySamples"); }
    tresult setupProcessing(ProcessSetup&) override { return hit("setupProcessing"); }
    tresult setProcessing(TBool) override { return hit("setProcessing"); }
    tresult process(ProcessData&) override { return hit("process"); }
    uint32 getTailSamples() override { return hit("getTailSamples"); }
};

struct HandlerRec : Recorder<IComponentHandler> {
    tresult beginEdit(ParamID) override { return hit("beginEdit"); }
    tresult performEdit(ParamID, ParamValue) override { return hit("performEdit"); }
    tresult endEdit(ParamID) override { return hit("endEdit"); }
    tresult restartComponent(int32) override { return hit("restartComponent"); }
};

struct Handler2Rec : Recorder<IComponentHandler2> {
    tresult setDirty(TBool) override { return hit("setDirty"); }
    tresult requestOpenEditor(FIDString) override { return hit("requestOpenEditor"); }
    tresult startGroupEdit() override { return hit("startGroupEdit"); }
    tresult finishGroupEdit() override { return hit("finishGroupEdit"); }
};

struct ControllerRec : Recorder<IEditController> {
    tresult initialize(FUnknown*) override { return hit("initialize"); }
    tresult terminate() override { return hit("terminate"); }
    tresult setComponentState(IBStream*) override { return hit("setComponentState"); }
    tresult setState(IBStream*) override { return hit("setState"); }
    tresult getState(IBStream*) override { return hit("getState"); }
    int32 getParameterCount() override { return hit("getParameterCount"); }
    tresult getParameterInfo(int32, ParameterInfo&) override { return hit("getParameterInfo"); }
    tresult getParamStringByValue(ParamID, ParamValue, String128) override {
        return hit("getParamStringByValue");
    }
    tresult getParamValueByString(ParamID, TChar*, ParamValue&) override {
        return hit("getParamValueByString");
    }
    ParamValue normalizedParamToPlain(ParamID, ParamValue) override {
        return hit("normalizedParamToPlain");
    }
    ParamValue plainParamToNormalized(ParamID, ParamValue) override {
        return hit("plainParamToNormalized");
    }
    ParamValue getParamNormalized(ParamID) override { return hit("getParamNormalized"); }
    tresult setParamNormalized(ParamID, ParamValue) override { return hit("setParamNormalized"); }
    tresult setComponentHandler(IComponentHandler*) override { return hit("setComponentHandler"); }
    IPlugView* createView(FIDString) override { return hit("createView"); }
};

struct ConnectionRec : Recorder<IConnectionPoint> {
    tresult connect(IConnectionPoint*) override { return hit("connect"); }
    tresult disconnect(IConnectionPoint*) override { return hit("disconnect"); }
    tresult notify(IMessage*) override { return hit("notify"); }
};

struct ViewRec : Recorder<IPlugView> {
    tresult isPlatformTypeSupported(FIDString) override { return hit("isPlatformTypeSupported"); }
    tresult attached(void*, FIDString) override { return hit("attached"); }
    tresult removed() override { return hit("removed"); }
    tresult onWheel(float) override { return hit("onWheel"); }
    tresult onKeyDown(char16, int16, int16) override { return hit("onKeyDown"); }
    tresult onKeyUp(char16, int16, int16) override { return hit("onKeyUp"); }
    tresult getSize(ViewRect*) override { return hit("getSize"); }
    tresult onSize(ViewRect*) override { return hit("onSize"); }
    tresult onFocus(TBool) override { return hit("onFocus"); }
    tresult setFrame(IPlugFrame*) override { return hit("setFrame"); }
    tresult canResize() override { return hit("canResize"); }
    tresult checkSizeConstraint(ViewRect*) override { return hit("checkSizeConstraint"); }
};

struct FrameRec : Recorder<IPlugFrame> {
    tresult resizeView(IPlugView*, ViewRect*) override { return hit("resizeView"); }
};

struct ScaleRec : Recorder<IPlugViewContentScaleSupport> {
    tresult setContentScaleFactor(float) override { return hit("setContentScaleFactor"); }
};

struct EventHandlerRec : Recorder<IEventHandler> {
    void onFDIsSet(FileDescriptor) override { hit("onFDIsSet"); }
};

struct TimerHandlerRec : Recorder<ITimerHandler> {
    void onTimer() override { hit("onTimer"); }
};

struct RunLoopRec : Recorder<IRunLoop> {
    tresult registerEventHandler(IEventHandler*, FileDescriptor) override {
        return hit("registerEventHandler");
    }
    tresult unregisterEventHandler(IEventHandler*) override {
        return hit("unregisterEventHandler");
    }
    tresult registerTimer(ITimerHandler*, TimerInterval) override { return hit("registerTimer"); }
    tresult unregisterTimer(ITimerHandler*) override { return hit("unregisterTimer"); }
};

} // namespace

TEST(Vst3Abi, BaseAndFactoryTables) {
    UnknownRec unknown;
    expectTable(unknown, kUnknown, "FUnknown");
    PluginBaseRec base;
    expectTable(base, kPluginBase, "IPluginBase");
    StreamRec stream;
    expectTable(stream, after(kUnknown, {"read", "write", "seek", "tell"}), "IBStream");
    FactoryRec factory;
    expectTable(factory, kFactory, "IPluginFactory");
    Factory2Rec factory2;
    expectTable(factory2, kFactory2, "IPluginFactory2");
    Factory3Rec factory3;
    expectTable(factory3, after(kFactory2, {"getClassInfoUnicode", "setHostContext"}),
                "IPluginFactory3");
    HostApplicationRec app;
    expectTable(app, after(kUnknown, {"getName", "createInstance"}), "IHostApplication");
}

TEST(Vst3Abi, ComponentAndProcessingTables) {
    ComponentRec component;
    expectTable(
        component,
        after(kPluginBase, {"getControllerClassId", "setIoMode", "getBusCount", "getBusInfo",
                            "getRoutingInfo", "activateBus", "setActive", "setState", "getState"}),
        "IComponent");
    QueueRec queue;
    expectTable(queue, after(kUnknown, {"getParameterId", "getPointCount", "getPoint", "addPoint"}),
                "IParamValueQueue");
    ChangesRec changes;
    expectTable(changes,
                after(kUnknown, {"getParameterCount", "getParameterData", "addParameterData"}),
                "IParameterChanges");
    ProcessorRec processor;
    expectTable(processor,
                after(kUnknown, {"setBusArrangements", "getBusArrangement", "canProcessSampleSize",
                                 "getLatencySamples", "setupProcessing", "setProcessing", "process",
                                 "getTailSamples"}),
                "IAudioProcessor");
}

TEST(Vst3Abi, ControllerTables) {
    ControllerRec controller;
    expectTable(controller,
                after(kPluginBase,
                      {"setComponentState", "setState", "getState", "getParameterCount",
                       "getParameterInfo", "getParamStringByValue", "getParamValueByString",
                       "normalizedParamToPlain", "plainParamToNormalized", "getParamNormalized",
                       "setParamNormalized", "setComponentHandler", "createView"}),
                "IEditController");
    HandlerRec handler;
    expectTable(handler,
                after(kUnknown, {"beginEdit", "performEdit", "endEdit", "restartComponent"}),
                "IComponentHandler");
    Handler2Rec handler2;
    expectTable(
        handler2,
        after(kUnknown, {"setDirty", "requestOpenEditor", "startGroupEdit", "finishGroupEdit"}),
        "IComponentHandler2");
    ConnectionRec connection;
    expectTable(connection, after(kUnknown, {"connect", "disconnect", "notify"}),
                "IConnectionPoint");
}

TEST(Vst3Abi, ViewAndRunLoopTables) {
    ViewRec view;
    expectTable(view,
                after(kUnknown, {"isPlatformTypeSupported", "attached", "removed", "onWheel",
                                 "onKeyDown", "onKeyUp", "getSize", "onSize", "onFocus", "setFrame",
                                 "canResize", "checkSizeConstraint"}),
                "IPlugView");
    FrameRec frame;
    expectTable(frame, after(kUnknown, {"resizeView"}), "IPlugFrame");
    ScaleRec scale;
    expectTable(scale, after(kUnknown, {"setContentScaleFactor"}), "IPlugViewContentScaleSupport");
    EventHandlerRec events;
    expectTable(events, after(kUnknown, {"onFDIsSet"}), "IEventHandler");
    TimerHandlerRec timer;
    expectTable(timer, after(kUnknown, {"onTimer"}), "ITimerHandler");
    RunLoopRec loop;
    expectTable(loop,
                after(kUnknown, {"registerEventHandler", "unregisterEventHandler", "registerTimer",
                                 "unregisterTimer"}),
                "IRunLoop");
}
