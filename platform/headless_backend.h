// Test control of the headless window-system backend. The backend is inert until a test
// enables recording: then every call is logged and windows are simulated.
#pragma once

#include "editor/window_system.h"

#include <cstdint>
#include <string>
#include <vector>

struct PlatformCall {
    std::string name; // e.g. "invalidateWindow", "startGraphicsSession"
    std::uintptr_t arg = 0;
};

void headlessEnable(bool enabled); // simulate windows and record calls
void headlessReset();              // clear log, windows, clock; keeps enabled state
const std::vector<PlatformCall>& headlessCalls();
int headlessCount(const std::string& name);
void headlessSetCreateFails(bool fails);
// The editor the simulated window was created with (its user-data slot).
EditorState* headlessWindowEditor(WindowHandle window);
void headlessKillWindow(WindowHandle window); // the host destroyed it behind our back
bool headlessCaptured();
