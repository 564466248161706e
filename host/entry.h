// The exported entry point: one new host record and instance per call.
#pragma once

#include "host/vst_abi.h"

extern "C" {
// Null when the record or the instance cannot be built (nothing is left allocated).
AEffect* VSTPluginMain(HostCallback audioMaster);
}

// Flags the record advertises: replacing always, the editor when the platform can open one.
std::int32_t recordFlags();

// Releases a record whose instance has been closed (test hosts only: a real host never
// frees the record, it just stops calling it).
void releaseRecord(AEffect* effect);
