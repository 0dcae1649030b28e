// The plug-in library as a loaded module: its handle (for resources and the window class on
// Windows) and its full file path (for the channel configuration and the sibling library).
#pragma once

#include <string>

namespace qv::platform {

// The module handle recorded when the library was loaded (HINSTANCE on Windows); on other
// platforms an opaque non-null token of the library.
void* moduleHandle();
void setModuleHandle(void* handle);

// Full path of the library file that contains this code, in UTF-8, or empty when it cannot be
// read. Never a relative path.
std::string modulePath();

// Folder of modulePath() with its trailing separator, or empty.
std::string moduleFolder();

// Keeps this library mapped until the process ends, whatever the host unloads: called before a
// thread or a parked instance may still run its code after the host's last call. Idempotent.
void pinModule();

}  // namespace qv::platform
