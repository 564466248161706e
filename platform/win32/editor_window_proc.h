// The editor window procedure, registered with the editor window class.
#pragma once

#include "platform/editor_window_options.h"

#include <windows.h>

LRESULT CALLBACK editorWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Any thread but the window's own: unlinks the window from its instance and returns only
// once no handler of the window's thread is still working on that instance, so the
// caller may delete it. Later messages go to the default procedure.
void detachEditorInstance(HWND window);

// UI thread, right after the window is created: its scale and hook, kept until WM_NCDESTROY.
bool attachWindowOptions(HWND window, const EditorWindowOptions& options);
// The window's scale (1 for a window without options); setting it fails for one without.
bool setWindowOptionsScale(HWND window, double scale);
double windowOptionsScale(HWND window);
