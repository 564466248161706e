// The host-callback and dispatcher opcodes the peer benchmark needs beyond those the plug-in
// itself declares in host/vst_abi.h: a host answers more questions than a plug-in asks,
// and other plug-ins ask them.
#pragma once

#include <cstdint>

namespace peer {

enum HostOpcode : std::int32_t {
    masterAutomate = 0,
    masterVersion = 1,
    masterCurrentId = 2,
    masterIdle = 3,
    masterGetTime = 7,
    masterIoChanged = 13,
    masterSizeWindow = 15,
    masterGetSampleRate = 16,
    masterGetBlockSize = 17,
    masterGetCurrentProcessLevel = 23,
    masterGetAutomationState = 24,
    masterGetVendorString = 32,
    masterGetProductString = 33,
    masterGetVendorVersion = 34,
    masterCanDo = 37,
    masterGetLanguage = 38,
    masterUpdateDisplay = 42,
};

// Dispatcher opcodes around the processing calls (VST 2.3 and later).
constexpr std::int32_t kEffStartProcess = 71;
constexpr std::int32_t kEffStopProcess = 72;

} // namespace peer
