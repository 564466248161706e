// The module's one factory and the class it makes.
#pragma once

#include "vst3/vst3_abi.h"

namespace vst3 {

// The Tolvane-Q effect's class ID: fixed forever, since projects name the plug-in by it.
constexpr Uid kClassId = makeUid(0x6A3E2C91, 0x4B7F4D05, 0x9E21C8A4, 0x5D17F3B2);

IPluginFactory* moduleFactory();

} // namespace vst3
