#include "platform/module.h"

#include <windows.h>

#include <atomic>

namespace qv::platform {
namespace {
std::atomic<void*> g_module{nullptr};

HMODULE ownModule() {
    if (void* h = g_module.load()) return static_cast<HMODULE>(h);
    // Not loaded through DllMain (a test executable): find the module holding this function.
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ownModule), &module);
    return module;
}
}  // namespace

void* moduleHandle() { return ownModule(); }
void setModuleHandle(void* handle) { g_module.store(handle); }

std::string modulePath() {
    char path[1024] = {};
    const DWORD n = GetModuleFileNameA(ownModule(), path, sizeof(path));
    if (n == 0 || n >= sizeof(path)) return {};
    return std::string(path, n);
}

std::string moduleFolder() {
    std::string path = modulePath();
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace qv::platform
