// The host record as this module allocates it, and the gate every slot call passes.
//
// A host may call effClose on one thread while another is still inside processReplacing,
// setParameter or the dispatcher for the same record. Every such call counts itself in
// the record (which outlives the instance) before it looks up the instance, and effClose
// unlinks the instance first and then waits until no call is inside before it deletes it.
#pragma once

#include "host/vst_abi.h"

#include <atomic>
#include <cstdint>

struct PluginInstance;

struct HostRecord {
    AEffect effect; // what the host sees; first, so the record's address is the effect's
    std::atomic<std::int32_t> callsInside{0};
};

// Any thread: the record behind an effect this module created.
HostRecord& hostRecord(AEffect& effect);

// One slot call: holds the gate for its lifetime. `inst` is null once the instance has
// been closed (or was never linked).
struct InstanceCall {
    explicit InstanceCall(AEffect& effect);
    ~InstanceCall();
    InstanceCall(const InstanceCall&) = delete;
    InstanceCall& operator=(const InstanceCall&) = delete;

    HostRecord& record;
    PluginInstance* inst;
};

// Links the instance into the record (entry point, before the host has the record).
void linkInstance(AEffect& effect, PluginInstance* inst);

// Host thread (effClose): unlinks the instance so no new call can reach it, waits for the
// calls already inside to leave, and answers the instance for destruction (null if none).
PluginInstance* unlinkInstance(AEffect& effect);
