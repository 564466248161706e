#include "host/process_state.h"

// All zero-initialised at load time, before the module entry runs.
ModuleHandle moduleHandle = nullptr;
bool editorClassRegistered = false;
std::int32_t instanceCount = 0;
std::uintptr_t graphicsToken = 0;
std::mutex processStateLock;

std::int32_t liveInstanceCount() {
    std::lock_guard<std::mutex> guard(processStateLock);
    return instanceCount;
}

std::uintptr_t currentGraphicsToken() {
    std::lock_guard<std::mutex> guard(processStateLock);
    return graphicsToken;
}

bool isEditorClassRegistered() {
    std::lock_guard<std::mutex> guard(processStateLock);
    return editorClassRegistered;
}
