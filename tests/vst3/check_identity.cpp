// What a host reads before it makes an instance (the factory and the class) and what it
// asks of the instance to wire it into a track (interfaces and buses).
#include "tests/vst3/host_checks.h"

#include <cstring>

using namespace vst3;
using namespace vst3host;

namespace vst3check {

namespace {

constexpr const char* kGroup = "identity";

// A fixed-size text field holds `want` followed by zero bytes to its end.
bool fieldIs(const char* field, std::size_t size, const char* want) {
    const std::size_t n = std::strlen(want);
    if (std::memcmp(field, want, n) != 0) {
        return false;
    }
    for (std::size_t i = n; i < size; ++i) {
        if (field[i] != 0) {
            return false;
        }
    }
    return true;
}

bool wideIs(const char16_t* field, std::size_t units, const char* want) {
    const std::size_t n = std::strlen(want);
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t expected = i < n ? static_cast<char16_t>(want[i]) : u'\0';
        if (field[i] != expected) {
            return false;
        }
    }
    return true;
}

void checkFactory(const Module& module) {
    IPluginFactory* factory = module.factory();
    PFactoryInfo info;
    std::memset(&info, 0x55, sizeof info);
    expect(factory->getFactoryInfo(&info) == kResultOk, kGroup, "getFactoryInfo");
    expect(fieldIs(info.vendor, sizeof info.vendor, "Morvel Audio"), kGroup,
           "factory vendor '" + std::string(info.vendor, strnlen(info.vendor, 64)) + "'");
    expect(std::memchr(info.url, 0, sizeof info.url) != nullptr &&
               std::memchr(info.email, 0, sizeof info.email) != nullptr,
           kGroup, "factory url and email are terminated");
    expect(factory->countClasses() == 1, kGroup,
           "countClasses " + std::to_string(factory->countClasses()));

    PClassInfo one;
    std::memset(&one, 0x55, sizeof one);
    expect(factory->getClassInfo(0, &one) == kResultOk, kGroup, "getClassInfo(0)");
    expect(fieldIs(one.name, sizeof one.name, "Tolvane-Q"), kGroup, "class name");
    expect(fieldIs(one.category, sizeof one.category, "Audio Module Class"), kGroup,
           "class category");
    expect(one.cardinality > 0, kGroup, "cardinality " + std::to_string(one.cardinality));
    PClassInfo beyond{};
    expect(factory->getClassInfo(1, &beyond) != kResultOk, kGroup, "getClassInfo(1) refused");
    expect(factory->getClassInfo(-1, &beyond) != kResultOk, kGroup, "getClassInfo(-1) refused");

    auto factory2 = query<IPluginFactory2>(factory, kIPluginFactory2Iid);
    if (expect(static_cast<bool>(factory2), kGroup, "factory answers IPluginFactory2")) {
        PClassInfo2 two;
        std::memset(&two, 0x55, sizeof two);
        expect(factory2->getClassInfo2(0, &two) == kResultOk, kGroup, "getClassInfo2(0)");
        expect(std::memcmp(two.cid, one.cid, 16) == 0, kGroup, "class IDs of info 1 and 2");
        expect(fieldIs(two.name, sizeof two.name, "Tolvane-Q"), kGroup, "info2 name");
        expect(fieldIs(two.category, sizeof two.category, "Audio Module Class"), kGroup,
               "info2 category");
        expect(fieldIs(two.subCategories, sizeof two.subCategories, "Fx|EQ"), kGroup,
               "info2 subcategories '" +
                   std::string(two.subCategories, strnlen(two.subCategories, 128)) + "'");
        expect(fieldIs(two.vendor, sizeof two.vendor, "Morvel Audio"), kGroup, "info2 vendor");
        expect(two.version[0] != 0 && std::memchr(two.version, 0, 64) != nullptr, kGroup,
               "info2 version is a terminated text");
        expect(factory2->getClassInfo2(1, &two) != kResultOk, kGroup, "getClassInfo2(1) refused");
    }

    auto factory3 = query<IPluginFactory3>(factory, kIPluginFactory3Iid);
    if (expect(static_cast<bool>(factory3), kGroup, "factory answers IPluginFactory3")) {
        PClassInfoW wide;
        std::memset(&wide, 0x55, sizeof wide);
        expect(factory3->getClassInfoUnicode(0, &wide) == kResultOk, kGroup,
               "getClassInfoUnicode(0)");
        expect(std::memcmp(wide.cid, one.cid, 16) == 0, kGroup, "class IDs of info 1 and W");
        expect(wideIs(wide.name, 64, "Tolvane-Q"), kGroup,
               "infoW name '" + narrow(wide.name, 64) + "'");
        expect(wideIs(wide.vendor, 64, "Morvel Audio"), kGroup, "infoW vendor");
        expect(fieldIs(wide.category, sizeof wide.category, "Audio Module Class"), kGroup,
               "infoW category");
        expect(fieldIs(wide.subCategories, sizeof wide.subCategories, "Fx|EQ"), kGroup,
               "infoW subcategories");
        HostApplication host;
        expect(factory3->setHostContext(&host) == kResultOk, kGroup, "setHostContext");
        expect(factory3->getClassInfoUnicode(1, &wide) != kResultOk, kGroup,
               "getClassInfoUnicode(1) refused");
    }

    // Instances: an unknown class or interface gives nothing and leaves nothing behind.
    void* obj = reinterpret_cast<void*>(1);
    const Uid otherClass = makeUid(1, 2, 3, 4);
    expect(factory->createInstance(otherClass.bytes, kIComponentIid.bytes, &obj) != kResultOk &&
               obj == nullptr,
           kGroup, "createInstance of an unknown class refused with a null object");
    obj = reinterpret_cast<void*>(1);
    expect(factory->createInstance(module.classId(), kIPlugViewIid.bytes, &obj) != kResultOk &&
               obj == nullptr,
           kGroup, "createInstance for an interface the class lacks refused");
    obj = nullptr;
    if (expect(factory->createInstance(module.classId(), kIAudioProcessorIid.bytes, &obj) ==
                       kResultOk &&
                   obj != nullptr,
               kGroup, "createInstance asked for IAudioProcessor directly")) {
        auto processor = Ref<IAudioProcessor>::adopt(static_cast<IAudioProcessor*>(obj));
        expect(query<IComponent>(processor.get(), kIComponentIid).get() != nullptr, kGroup,
               "the processor leads back to the component");
    }
}

void checkInterfaces(const Module& module) {
    Plugin plugin(module);
    if (!expect(plugin.ok(), kGroup, "component answers IAudioProcessor and IEditController")) {
        return;
    }
    // COM identity: every face of the object answers FUnknown with the same pointer.
    auto viaComponent = query<FUnknown>(plugin.component.get(), kFUnknownIid);
    auto viaProcessor = query<FUnknown>(plugin.processor.get(), kFUnknownIid);
    auto viaController = query<FUnknown>(plugin.controller.get(), kFUnknownIid);
    expect(viaComponent && viaComponent.get() == viaProcessor.get() &&
               viaComponent.get() == viaController.get(),
           kGroup, "one FUnknown identity from all three faces");
    expect(query<IComponent>(plugin.controller.get(), kIComponentIid).get() ==
               plugin.component.get(),
           kGroup, "the controller face leads back to the same component");
    void* obj = reinterpret_cast<void*>(1);
    expect(plugin.component->queryInterface(kIPlugViewIid.bytes, &obj) == kNoInterface &&
               obj == nullptr,
           kGroup, "an interface it lacks: kNoInterface and a null pointer");
    TUID controllerClass{};
    expect(plugin.component->getControllerClassId(controllerClass) == kResultFalse, kGroup,
           "getControllerClassId says there is no separate controller");
    // References: two more taken and given back leave the count where it was.
    const uint32 first = plugin.component->addRef();
    const uint32 second = plugin.component->addRef();
    expect(second == first + 1, kGroup, "addRef counts up");
    plugin.component->release();
    expect(plugin.component->release() == first - 1, kGroup, "release counts down");
}

void checkBuses(const Module& module) {
    Plugin plugin(module);
    if (!plugin.ok() ||
        !expect(plugin.component->initialize(&plugin.host) == kResultOk, kGroup, "initialize")) {
        return;
    }
    IComponent* c = plugin.component.get();
    IAudioProcessor* p = plugin.processor.get();
    expect(c->getBusCount(kAudio, kInput) == 1 && c->getBusCount(kAudio, kOutput) == 1, kGroup,
           "one audio bus each way");
    expect(c->getBusCount(kEvent, kInput) == 0 && c->getBusCount(kEvent, kOutput) == 0, kGroup,
           "no event buses");
    for (int32 dir : {kInput, kOutput}) {
        const std::string which = dir == kInput ? "input bus" : "output bus";
        BusInfo bus;
        std::memset(&bus, 0x55, sizeof bus);
        if (expect(c->getBusInfo(kAudio, dir, 0, bus) == kResultOk, kGroup, which + " info")) {
            expect(bus.mediaType == kAudio && bus.direction == dir, kGroup, which + " kind");
            expect(bus.channelCount == 2, kGroup,
                   which + " channels " + std::to_string(bus.channelCount));
            expect(bus.busType == kMain, kGroup, which + " is the main bus");
            expect((bus.flags & BusInfo::kDefaultActive) != 0, kGroup, which + " active");
            expect(bus.name[0] != 0, kGroup, which + " has a name");
        }
        expect(c->getBusInfo(kAudio, dir, 1, bus) != kResultOk, kGroup, which + " 1 refused");
        SpeakerArrangement arrangement = 0;
        expect(p->getBusArrangement(dir, 0, arrangement) == kResultOk && arrangement == kStereo,
               kGroup, which + " arrangement is stereo");
    }
    BusInfo event{};
    expect(c->getBusInfo(kEvent, kInput, 0, event) != kResultOk, kGroup, "event bus refused");

    // Anything but stereo in, stereo out is refused and the buses stay stereo.
    constexpr SpeakerArrangement kMono = kSpeakerL;
    constexpr SpeakerArrangement kSurround = 0x3F; // L R C LFE Ls Rs
    const struct {
        const char* name;
        SpeakerArrangement in;
        SpeakerArrangement out;
        int32 ins;
        int32 outs;
    } refused[] = {{"mono/mono", kMono, kMono, 1, 1},
                   {"mono/stereo", kMono, kStereo, 1, 1},
                   {"stereo/mono", kStereo, kMono, 1, 1},
                   {"5.1/5.1", kSurround, kSurround, 1, 1},
                   {"no input bus", kStereo, kStereo, 0, 1},
                   {"two input buses", kStereo, kStereo, 2, 1},
                   {"empty", 0, 0, 1, 1}};
    for (const auto& r : refused) {
        SpeakerArrangement ins[2] = {r.in, r.in};
        SpeakerArrangement outs[2] = {r.out, r.out};
        expect(p->setBusArrangements(ins, r.ins, outs, r.outs) == kResultFalse, kGroup,
               std::string("setBusArrangements ") + r.name + " refused with kResultFalse");
        SpeakerArrangement in = 0;
        SpeakerArrangement out = 0;
        p->getBusArrangement(kInput, 0, in);
        p->getBusArrangement(kOutput, 0, out);
        BusInfo busIn{};
        BusInfo busOut{};
        c->getBusInfo(kAudio, kInput, 0, busIn);
        c->getBusInfo(kAudio, kOutput, 0, busOut);
        expect(in == kStereo && out == kStereo && busIn.channelCount == 2 &&
                   busOut.channelCount == 2,
               kGroup, std::string("buses still stereo after ") + r.name);
    }
    expect(p->setBusArrangements(nullptr, 1, nullptr, 1) == kResultFalse, kGroup,
           "setBusArrangements with null arrays refused");
    SpeakerArrangement stereoIn = kStereo;
    SpeakerArrangement stereoOut = kStereo;
    expect(p->setBusArrangements(&stereoIn, 1, &stereoOut, 1) == kResultTrue, kGroup,
           "stereo/stereo accepted");
    expect(p->canProcessSampleSize(kSample32) == kResultTrue &&
               p->canProcessSampleSize(kSample64) == kResultTrue,
           kGroup, "32- and 64-bit samples");
    expect(p->canProcessSampleSize(2) != kResultTrue, kGroup, "unknown sample size refused");
    expect(p->getLatencySamples() == 0 && p->getTailSamples() == 0, kGroup, "latency 0, tail 0");
    expect(c->activateBus(kAudio, kInput, 0, 1) == kResultOk &&
               c->activateBus(kAudio, kOutput, 0, 1) == kResultOk,
           kGroup, "activateBus on the main buses");
    expect(c->activateBus(kAudio, kInput, 3, 1) != kResultOk, kGroup, "activateBus 3 refused");
    c->terminate();
}

} // namespace

void checkIdentity(Context& context) {
    checkFactory(*context.module);
    checkInterfaces(*context.module);
    checkBuses(*context.module);
}

} // namespace vst3check
