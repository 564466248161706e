// DLL check rows "exports" and "record": the entry points and the host record, read at
// the byte offsets of the 64-bit VST 2.4 layout rather than through our own struct, so a
// layout slip in the DLL cannot hide behind a matching slip in the test.
#pragma once

#include "tests/wine/check_support.h"

#include <atomic>

namespace rows {

using Entry = AEffect*(VST_CALL*)(HostCallback);

// The plug-in must never call its host back; every call is counted.
inline std::atomic<int>& hostCalls() {
    static std::atomic<int> calls{0};
    return calls;
}

inline VstIntPtr VST_CALL hostCallback(AEffect*, std::int32_t opcode, std::int32_t, VstIntPtr,
                                       void*, float) {
    ++hostCalls();
    return opcode == audioMasterVersion ? 2400 : 0;
}

// GetProcAddress hands back a generic function pointer; going through void* keeps the
// compiler's function-type cast check quiet for this one deliberate conversion.
inline Entry lookUp(HMODULE dll, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

inline Entry checkExports(HMODULE dll) {
    const Entry main = lookUp(dll, "main");
    const Entry entry = lookUp(dll, "VSTPluginMain");
    check::expect(entry != nullptr, "exports", "VSTPluginMain is not exported");
    check::expect(main != nullptr, "exports", "main is not exported");
    check::expect(entry == main, "exports", "VSTPluginMain and main differ");
    return entry;
}

template <class T> T field(const AEffect* e, std::size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const char*>(e) + offset, sizeof value);
    return value;
}

inline void checkRecordInts(const AEffect* e) {
    struct Row {
        std::size_t offset;
        std::int32_t want;
        const char* name;
    };
    const Row table[] = {
        {0, 0x56737450, "magic 'VstP'"},
        {40, 1, "numPrograms"},
        {44, 5, "numParams"},
        {48, 2, "numInputs"},
        {52, 2, "numOutputs"},
        {56, 17, "flags"},
        {80, 0, "initialDelay"},
        {84, 0, "realQualities"},
        {88, 0, "offQualities"},
        {112, 0x544F4C51, "uniqueID 'TOLQ'"},
        {116, 1000, "version"},
    };
    for (const Row& row : table) {
        const auto got = field<std::int32_t>(e, row.offset);
        check::expect(got == row.want, "record",
                      std::string(row.name) + " = " + check::str(got) + " at offset " +
                          check::str(static_cast<long long>(row.offset)));
    }
    const char magic[4] = {'P', 't', 's', 'V'}; // 'VstP' stored little-endian
    check::expect(std::memcmp(e, magic, 4) == 0, "record", "magic bytes");
    check::expect(field<float>(e, 92) == 0.0f, "record", "ioRatio not 0");
}

inline void checkRecordPointers(const AEffect* e) {
    const auto at = [e](std::size_t offset) { return field<std::uintptr_t>(e, offset); };
    check::expect(at(8) != 0, "record", "dispatcher null");
    check::expect(at(16) != 0 && at(16) == at(120), "record", "process != processReplacing");
    check::expect(at(24) != 0 && at(32) != 0, "record", "parameter slots null");
    check::expect(at(64) == 0 && at(72) == 0, "record", "resvd1/resvd2 not 0");
    check::expect(at(96) == 0, "record", "object not null");
    check::expect(at(104) != 0, "record", "user (instance) null");
    check::expect(at(128) == 0, "record", "processDoubleReplacing not null");
    bool futureZero = true;
    for (std::size_t i = 136; i < 192; ++i) {
        futureZero = futureZero && reinterpret_cast<const unsigned char*>(e)[i] == 0;
    }
    check::expect(futureZero, "record", "future bytes not zero");
}

inline void checkRecord(Entry entry) {
    AEffect* a = entry(rows::hostCallback);
    AEffect* b = entry(rows::hostCallback);
    if (!check::expect(a != nullptr && b != nullptr, "record", "entry point returned null")) {
        return;
    }
    checkRecordInts(a);
    checkRecordPointers(a);
    check::expect(a != b && a->user != b->user, "record", "two calls share a record/instance");
    check::dispatch(a, effClose);
    check::dispatch(b, effClose);
}

} // namespace rows
