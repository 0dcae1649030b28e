#include "platform/dynamic_library.h"

#include <windows.h>

namespace qv::platform {

bool DynamicLibrary::open(const std::string& path) {
    close();
    handle = LoadLibraryA(path.c_str());
    return handle != nullptr;
}

void DynamicLibrary::close() {
    if (handle) FreeLibrary(static_cast<HMODULE>(handle));
    handle = nullptr;
}

void* DynamicLibrary::symbol(const char* name) const {
    return handle ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name)) : nullptr;
}

const char* DynamicLibrary::extension() { return ".dll"; }
char DynamicLibrary::separator() { return '\\'; }

}  // namespace qv::platform
