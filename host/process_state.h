// Process-wide state shared by every instance the module creates.
//
// The module handle is written once by the module entry, before any instance exists.
// The instance count and the graphics session token change whenever a host creates or destroys an
// instance, and hosts do that on more than one thread, so both are only touched with
// processStateLock held. The editor class flag shares that lock because two instances
// can open their editors on different threads.
#pragma once

#include <cstdint>
#include <mutex>

using ModuleHandle = void*;

extern ModuleHandle moduleHandle;
extern bool editorClassRegistered; // guarded by processStateLock
extern std::int32_t instanceCount; // guarded by processStateLock
extern std::uintptr_t
    graphicsToken; // guarded by processStateLock; 0 = graphics session not running
extern std::mutex processStateLock;

// Locked snapshots for tests and diagnostics.
std::int32_t liveInstanceCount();
std::uintptr_t currentGraphicsToken();
bool isEditorClassRegistered();
