#include "host/parameters.h"

#include "host/editor_host.h"
#include "host/plugin_instance.h"
#include "host/record_gate.h"
#include "host/texts.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

constexpr const char* kNames[kNumParams] = {"Output Trim", "VAVU Coupling", "172 Sieve",
                                            "580 Limiter", "Bypass"};
constexpr const char* kLabels[kNumParams] = {"dB", "%", "%", "%", "state"};
constexpr std::size_t kNameBytes = 16;
constexpr std::size_t kNameLimit = 15;
constexpr std::size_t kLabelBytes = 8;
constexpr std::size_t kDisplayBytes = 24;
constexpr std::size_t kDisplayLimit = 23;

// Compared as unsigned so that negative indices fall outside as well.
bool validIndex(std::int32_t index) {
    return static_cast<std::uint32_t>(index) < static_cast<std::uint32_t>(kNumParams);
}

} // namespace

float clampParameter(float value) {
    if (value >= 1.0f || std::isnan(value)) {
        return 1.0f;
    }
    return value > 0.0f ? value : 0.0f;
}

void applyParameter(PluginInstance& inst, std::int32_t index, float value) {
    {
        std::lock_guard<std::mutex> guard(inst.engine.lock);
        setParam(inst.engine.edit, index, value);
        rebuildFilters(inst.engine.edit);
    }
    invalidateEditor(inst);
}

void VST_CALL setParameter(AEffect* effect, std::int32_t index, float value) {
    if (effect == nullptr) {
        return;
    }
    const InstanceCall call(*effect);
    if (call.inst == nullptr || !validIndex(index)) {
        return;
    }
    try {
        applyParameter(*call.inst, index, clampParameter(value));
    } catch (...) {
        // A failed filter-list resize leaves the old filters; the next block resynchronises.
    }
}

float VST_CALL getParameter(AEffect* effect, std::int32_t index) {
    if (effect == nullptr) {
        return 0.0f;
    }
    const InstanceCall call(*effect);
    if (call.inst == nullptr || !validIndex(index)) {
        return 0.0f;
    }
    return param(call.inst->engine.edit, index);
}

void writeParamName(std::int32_t index, char* buffer) {
    if (validIndex(index)) {
        writeFixedText(buffer, kNames[index], kNameBytes);
        return;
    }
    // Formatted in full, then cut to the 15-byte limit (terminator included); widened so
    // that index 2147483647 cannot overflow.
    char full[32];
    std::snprintf(full, sizeof(full), "Param %lld", static_cast<long long>(index) + 1);
    std::memset(buffer, 0, kNameBytes);
    writeFixedText(buffer, full, kNameLimit);
}

void writeParamLabel(std::int32_t index, char* buffer) {
    writeFixedText(buffer, validIndex(index) ? kLabels[index] : "", kLabelBytes);
}

const char* paramName(std::int32_t index) { return validIndex(index) ? kNames[index] : ""; }

const char* paramLabel(std::int32_t index) { return validIndex(index) ? kLabels[index] : ""; }

void writeParamDisplay(const PluginInstance& inst, std::int32_t index, char* buffer) {
    formatParamDisplay(index, validIndex(index) ? param(inst.engine.edit, index) : 0.0f, buffer);
}

void formatParamDisplay(std::int32_t index, float v, char* buffer) {
    std::memset(buffer, 0, kDisplayBytes);
    if (!validIndex(index)) {
        std::snprintf(buffer, kDisplayLimit, "0.0");
        return;
    }
    if (index == ParamOutputTrim) {
        std::snprintf(buffer, kDisplayLimit, "%+.1f", static_cast<double>(v) * 24.0 - 12.0);
    } else if (index == ParamBypass) {
        std::snprintf(buffer, kDisplayLimit, "%s", v >= 0.5f ? "BYPASS" : "ACTIVE");
    } else {
        const float percent = v * 100.0f; // single-precision product, then widened
        std::snprintf(buffer, kDisplayLimit, "%.0f", static_cast<double>(percent));
    }
}
