#include "platform/module.h"

#include <dlfcn.h>

#include <atomic>

namespace qv::platform {
namespace {
std::atomic<void*> g_module{nullptr};
int g_anchor;  // an address inside this library
}  // namespace

void* moduleHandle() {
    void* h = g_module.load();
    return h ? h : static_cast<void*>(&g_anchor);
}

void setModuleHandle(void* handle) { g_module.store(handle); }

std::string modulePath() {
    Dl_info info{};
    if (dladdr(static_cast<void*>(&g_anchor), &info) == 0 || info.dli_fname == nullptr) return {};
    return info.dli_fname;
}

std::string moduleFolder() {
    std::string path = modulePath();
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace qv::platform
