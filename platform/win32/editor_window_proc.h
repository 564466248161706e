// The editor window procedure, registered with the editor window class.
#pragma once

#include <windows.h>

LRESULT CALLBACK editorWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
