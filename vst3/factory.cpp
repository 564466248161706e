// The module's factory: one class, the Tolvane-Q audio effect, and the entry points each
// system's hosts call to reach it.
#include "vst3/factory.h"

#include "vst3/param_texts.h"
#include "vst3/plugin.h"

#include <cstring>
#include <new>

namespace vst3 {

namespace {

constexpr const char* kVendor = "Morvel Audio";
constexpr const char* kName = "Tolvane-Q";
constexpr const char* kCategory = "Audio Module Class";
constexpr const char* kSubCategories = "Fx|EQ";
constexpr const char* kVersion = "1.0.0";
constexpr const char* kSdkVersion = "VST 3.7.0";

void copyText(char* out, const char* text, std::size_t bytes) {
    std::memset(out, 0, bytes);
    std::strncpy(out, text, bytes - 1);
}

// The fields every version of the class record starts with; the rest differ in type.
template <typename Info> void fillClassHead(Info& info) {
    std::memcpy(info.cid, kClassId.bytes, sizeof info.cid);
    info.cardinality = kManyInstances;
    copyText(info.category, kCategory, sizeof info.category);
    info.classFlags = 0;
    copyText(info.subCategories, kSubCategories, sizeof info.subCategories);
}

class Factory final : public IPluginFactory3 {
  public:
    tresult queryInterface(const TUID iid, void** obj) override {
        if (obj == nullptr) {
            return kInvalidArgument;
        }
        if (sameUid(iid, kFUnknownIid) || sameUid(iid, kIPluginFactoryIid) ||
            sameUid(iid, kIPluginFactory2Iid) || sameUid(iid, kIPluginFactory3Iid)) {
            *obj = static_cast<IPluginFactory3*>(this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    // One factory for the module's lifetime: hosts' references are counted for nothing.
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }

    tresult getFactoryInfo(PFactoryInfo* info) override {
        if (info == nullptr) {
            return kInvalidArgument;
        }
        copyText(info->vendor, kVendor, sizeof info->vendor);
        copyText(info->url, "", sizeof info->url);
        copyText(info->email, "", sizeof info->email);
        info->flags = PFactoryInfo::kUnicode;
        return kResultOk;
    }

    int32 countClasses() override { return 1; }

    tresult getClassInfo(int32 index, PClassInfo* info) override {
        if (index != 0 || info == nullptr) {
            return kInvalidArgument;
        }
        std::memcpy(info->cid, kClassId.bytes, sizeof info->cid);
        info->cardinality = kManyInstances;
        copyText(info->category, kCategory, sizeof info->category);
        copyText(info->name, kName, sizeof info->name);
        return kResultOk;
    }

    tresult getClassInfo2(int32 index, PClassInfo2* info) override {
        if (index != 0 || info == nullptr) {
            return kInvalidArgument;
        }
        fillClassHead(*info);
        copyText(info->name, kName, sizeof info->name);
        copyText(info->vendor, kVendor, sizeof info->vendor);
        copyText(info->version, kVersion, sizeof info->version);
        copyText(info->sdkVersion, kSdkVersion, sizeof info->sdkVersion);
        return kResultOk;
    }

    tresult getClassInfoUnicode(int32 index, PClassInfoW* info) override {
        if (index != 0 || info == nullptr) {
            return kInvalidArgument;
        }
        fillClassHead(*info);
        copyAsciiToUtf16(kName, info->name, 64);
        copyAsciiToUtf16(kVendor, info->vendor, 64);
        copyAsciiToUtf16(kVersion, info->version, 64);
        copyAsciiToUtf16(kSdkVersion, info->sdkVersion, 64);
        return kResultOk;
    }

    tresult setHostContext(FUnknown*) override { return kResultOk; }

    tresult createInstance(FIDString cid, FIDString iid, void** obj) override {
        if (obj == nullptr) {
            return kInvalidArgument;
        }
        *obj = nullptr;
        if (!sameUid(cid, kClassId)) {
            return kNoInterface;
        }
        auto* plugin = new (std::nothrow) TolvanePlugin();
        if (plugin == nullptr) {
            return kOutOfMemory;
        }
        if (plugin->inst == nullptr) {
            plugin->release();
            return kOutOfMemory;
        }
        const tresult result = plugin->queryInterface(iid, obj);
        plugin->release(); // the caller's reference (if any) keeps it alive
        return result;
    }
};

Factory theFactory;

} // namespace

IPluginFactory* moduleFactory() {
    return &theFactory;
}

} // namespace vst3

#if defined(_WIN32)
#define TOLVANE_VST3_EXPORT
#else
#define TOLVANE_VST3_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

TOLVANE_VST3_EXPORT vst3::IPluginFactory* GetPluginFactory() {
    return vst3::moduleFactory();
}

// Linux hosts call these around the module's life; nothing needs setting up that the
// first instance does not set up itself.
TOLVANE_VST3_EXPORT bool ModuleEntry(void*) {
    return true;
}
TOLVANE_VST3_EXPORT bool ModuleExit() {
    return true;
}

// Windows hosts' counterparts (the module handle comes from DllMain).
TOLVANE_VST3_EXPORT bool InitDll() {
    return true;
}
TOLVANE_VST3_EXPORT bool ExitDll() {
    return true;
}
}
