// The record's dispatcher slot: every host request that is not audio or a parameter value.
#pragma once

#include "host/vst_abi.h"

// Any host thread (the editor opcodes on the UI thread). Never throws into the host.
VstIntPtr VST_CALL dispatcher(AEffect* effect, std::int32_t opcode, std::int32_t index,
                              VstIntPtr value, void* ptr, float opt);

// effCanDo's answer for a capability text: 1 supported, -1 refused, 0 unknown.
VstIntPtr canDo(const char* capability);
