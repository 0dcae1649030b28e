#include "platform/module.h"

#include <windows.h>

#include <atomic>
#include <vector>

#include "platform/wide_text.h"

namespace qv::platform {
namespace {
std::atomic<void*> g_module{nullptr};
std::atomic<bool> g_pinned{false};

HMODULE ownModule() {
    if (void* h = g_module.load()) return static_cast<HMODULE>(h);
    // Not loaded through DllMain (a test executable): find the module holding this function.
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ownModule), &module);
    return module;
}
}  // namespace

void* moduleHandle() { return ownModule(); }
void setModuleHandle(void* handle) { g_module.store(handle); }

std::string modulePath() {
    // The wide call has no length limit of its own and keeps every character: the buffer grows
    // until the path fits (a full buffer means it may have been cut).
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(ownModule(), path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) return toUtf8(std::wstring(path.data(), n));
        if (path.size() >= 32768u * 2) return {};  // beyond the longest path Windows has
        path.resize(path.size() * 2);
    }
}

std::string moduleFolder() {
    std::string path = modulePath();
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void pinModule() {
    if (g_pinned.exchange(true)) return;
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&ownModule), &module);
}

}  // namespace qv::platform
