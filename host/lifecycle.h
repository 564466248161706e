// Creation and destruction of plug-in instances, with the process-wide bookkeeping
// (instance count, graphics session) and the module entry hooks.
#pragma once

#include "host/vst_abi.h"

struct PluginInstance;
using ModuleHandle = void*;

// Any thread. Null when the instance cannot be built; nothing leaks and nothing throws.
PluginInstance* createInstance(HostCallback callback) noexcept;
// Closes a live editor window, lowers the instance count, ends the graphics session after the last
// one.
void destroyInstance(PluginInstance* inst) noexcept;

// Module entry (loader lock held): records the handle / unregisters the window class.
void onModuleAttach(ModuleHandle module) noexcept;
void onModuleDetach() noexcept;
