// Module entry of Tolvane-Q.dll. Runs under the loader lock, so it only hands the
// module handle to the host layer and back; window-class and GDI+ clean-up decisions
// live in host/lifecycle.cpp.
#include "host/lifecycle.h"

#include <windows.h>

// Loader thread, once per load and unload of the module.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        onModuleAttach(instance);
        // No per-thread work: skip the attach/detach calls for every host thread.
        DisableThreadLibraryCalls(instance);
        break;
    case DLL_PROCESS_DETACH:
        onModuleDetach();
        break;
    default:
        break;
    }
    return TRUE;
}
