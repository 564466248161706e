#include "host/record_gate.h"

#include <thread>

namespace {

// The record's `user` field is plain memory of the host ABI; it is only ever read and
// written through this view once the record has been handed out.
std::atomic_ref<void*> userOf(AEffect& effect) {
    return std::atomic_ref<void*>(effect.user);
}

} // namespace

HostRecord& hostRecord(AEffect& effect) {
    return *reinterpret_cast<HostRecord*>(&effect);
}

// Counted before the instance is read (both sequentially consistent), so effClose either
// sees this call inside or this call sees the instance already unlinked.
InstanceCall::InstanceCall(AEffect& effect) : record(hostRecord(effect)), inst(nullptr) {
    record.callsInside.fetch_add(1, std::memory_order_seq_cst);
    inst = static_cast<PluginInstance*>(userOf(effect).load(std::memory_order_seq_cst));
}

InstanceCall::~InstanceCall() {
    record.callsInside.fetch_sub(1, std::memory_order_release);
}

void linkInstance(AEffect& effect, PluginInstance* inst) {
    userOf(effect).store(inst, std::memory_order_seq_cst);
}

PluginInstance* unlinkInstance(AEffect& effect) {
    auto* inst = static_cast<PluginInstance*>(userOf(effect).exchange(nullptr));
    HostRecord& record = hostRecord(effect);
    // Closing threads may wait; a block in flight finishes in well under a millisecond.
    while (record.callsInside.load(std::memory_order_acquire) != 0) {
        std::this_thread::yield();
    }
    return inst;
}
