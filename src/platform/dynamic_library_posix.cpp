#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace qv::platform {

bool DynamicLibrary::open(const std::string& path) {
    close();
    if (!isAbsolute(path)) return false;
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle != nullptr;
}

void DynamicLibrary::close() {
    if (handle) dlclose(handle);
    handle = nullptr;
}

void* DynamicLibrary::symbol(const char* name) const { return handle ? dlsym(handle, name) : nullptr; }

const char* DynamicLibrary::extension() { return ".so"; }
char DynamicLibrary::separator() { return '/'; }
bool DynamicLibrary::isAbsolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

}  // namespace qv::platform
