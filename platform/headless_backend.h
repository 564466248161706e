// Test control of the headless window-system backend. The backend is inert until a test
// enables recording: then every call is logged and windows are simulated.
#pragma once

#include "editor/editor_events.h"
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

// platform/editor_window_options.h on the recorder. editorWindowConnectionFd answers `fd`
// for every live window (-1, no connection, after a reset).
void headlessSetConnectionFd(int fd);
struct HeadlessWindowGeometry {
    bool alive = false;
    int width = 0; // physical pixels
    int height = 0;
    double scale = 1.0;
};
HeadlessWindowGeometry headlessWindowGeometry(WindowHandle window);
// Input from the "window system" at physical pixels, delivered as the real backends do:
// mapped to logical pixels, handed to the editor, followed by the window's after-event
// hook. Answers the editor's answer; false for a dead window.
bool headlessSendInput(WindowHandle window, EditorEvent event);
