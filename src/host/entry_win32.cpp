#include <windows.h>

#include "platform/module.h"

// Records the module handle for every reason code; nothing else happens at load time.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    qv::platform::setModuleHandle(instance);
    return TRUE;
}
