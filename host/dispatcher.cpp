#include "host/dispatcher.h"

#include "host/editor_host.h"
#include "host/lifecycle.h"
#include "host/parameters.h"
#include "host/plugin_instance.h"
#include "host/record_gate.h"
#include "host/texts.h"

#include <cstring>
#include <mutex>

namespace {

constexpr VstIntPtr kPlugCategoryRestoration = 8;
constexpr VstIntPtr kVendorVersion = 1000;
constexpr VstIntPtr kVstVersion = 2400;

struct Capability {
    const char* text;
    VstIntPtr answer;
};

// Searched in order, exact and case-sensitive; the first match decides.
constexpr Capability kCapabilities[] = {
    {"2in2out", 1},
    {"1in1out", 1},
    {"plugAsChannelInsert", 1},
    {"plugAsSend", 1},
    {"bypass", 1},
    {"cockosExtensions", 0},
    {"hasCocoaView", -1},
    {"receiveVstMidiEvent", -1},
    {"sendVstMidiEvent", -1},
};

// A text request with a null buffer writes nothing but still succeeds.
VstIntPtr answerText(void* ptr, const char* text, std::size_t size) {
    if (ptr != nullptr) {
        writeFixedText(ptr, text, size);
    }
    return 1;
}

// Unlinked first, so every slot the host still calls sees a missing instance, and only
// deleted once the calls already inside (a block on the audio thread) have left.
VstIntPtr closeInstance(AEffect& effect) {
    destroyInstance(unlinkInstance(effect));
    return 1;
}

VstIntPtr changeSampleRate(PluginInstance* inst, float rate) {
    if (inst != nullptr) {
        std::lock_guard<std::mutex> guard(inst->engine.lock);
        setSampleRate(inst->engine.edit, rate); // redesigns every filter at the new rate
    }
    return 1;
}

// The host's own bypass only stores the value: unlike an automated parameter it must not
// redesign the filters or restart the modulation, so toggling it leaves no trace.
VstIntPtr changeBypass(PluginInstance* inst, VstIntPtr value) {
    if (inst != nullptr) {
        setParam(inst->engine.edit, ParamBypass, value != 0 ? 1.0f : 0.0f);
        invalidateEditor(*inst);
    }
    return 1;
}

VstIntPtr paramText(std::int32_t opcode, PluginInstance* inst, std::int32_t index, void* ptr) {
    if (ptr == nullptr) {
        return 0;
    }
    auto* buffer = static_cast<char*>(ptr);
    if (opcode == effGetParamLabel) {
        writeParamLabel(index, buffer);
    } else if (opcode == effGetParamName) {
        writeParamName(index, buffer);
    } else if (inst != nullptr) {
        writeParamDisplay(*inst, index, buffer);
    } else {
        return 0;
    }
    return 1;
}

VstIntPtr editorRequest(std::int32_t opcode, PluginInstance* inst, void* ptr) {
    if (opcode == effEditClose) {
        if (inst != nullptr) {
            closeEditor(*inst);
        }
        return 1;
    }
    if (inst == nullptr || ptr == nullptr) {
        return 0;
    }
    if (opcode == effEditGetRect) {
        // The instance's own rectangle, which lives as long as the instance.
        const EditorRect& size = inst->editor.rect;
        inst->editorRect = ERect{size.top, size.left, size.bottom, size.right};
        *static_cast<ERect**>(ptr) = &inst->editorRect;
        return 1;
    }
    return openEditor(*inst, ptr) ? 1 : 0;
}

VstIntPtr identity(std::int32_t opcode, void* ptr) {
    switch (opcode) {
    case effGetProgramName:
        return answerText(ptr, "01: Master Vocal", 24);
    case effGetEffectName:
        return answerText(ptr, "Tolvane-Q", 32);
    case effGetVendorString:
        return answerText(ptr, "Morvel Audio", 32);
    case effGetProductString:
        return answerText(ptr, "Morvel Tolvane-Q", 32);
    case effGetPlugCategory:
        return kPlugCategoryRestoration;
    case effGetVendorVersion:
        return kVendorVersion;
    case effGetVstVersion:
        return kVstVersion;
    case effCanDo:
        return ptr ? canDo(static_cast<const char*>(ptr)) : 0;
    default:
        return 0;
    }
}

VstIntPtr dispatch(PluginInstance* inst, std::int32_t opcode, std::int32_t index, VstIntPtr value,
                   void* ptr, float opt) {
    switch (opcode) {
    case effOpen:
    case effSetProgram:
    case effMainsChanged:
        return 1;
    case effEditIdle:
        if (inst != nullptr) {
            idleEditor(*inst);
        }
        return 1;
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
        return paramText(opcode, inst, index, ptr);
    case effSetSampleRate:
        return changeSampleRate(inst, opt);
    case effSetBlockSize:
        return 1; // blocks of any length are processed as they come
    case effEditGetRect:
    case effEditOpen:
    case effEditClose:
        return editorRequest(opcode, inst, ptr);
    case effSetBypass:
        return changeBypass(inst, value);
    default:
        return identity(opcode, ptr);
    }
}

} // namespace

VstIntPtr canDo(const char* capability) {
    for (const Capability& entry : kCapabilities) {
        if (std::strcmp(capability, entry.text) == 0) {
            return entry.answer;
        }
    }
    return 0;
}

VstIntPtr VST_CALL dispatcher(AEffect* effect, std::int32_t opcode, std::int32_t index,
                              VstIntPtr value, void* ptr, float opt) {
    if (effect == nullptr) {
        return 0;
    }
    try {
        if (opcode == effClose) {
            return closeInstance(*effect); // outside the gate: it waits for the gate to empty
        }
        const InstanceCall call(*effect);
        return dispatch(call.inst, opcode, index, value, ptr, opt);
    } catch (...) {
        // Only a failed allocation while redesigning filters can land here; the host gets
        // "not handled" and the instance keeps its previous filters until the next block.
        return 0;
    }
}
