// The editor window procedure, registered with the editor window class.
#pragma once

#include <windows.h>

LRESULT CALLBACK editorWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Any thread but the window's own: unlinks the window from its instance and returns only
// once no handler of the window's thread is still working on that instance, so the
// caller may delete it. Later messages go to the default procedure.
void detachEditorInstance(HWND window);
