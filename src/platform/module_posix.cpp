#include "platform/module.h"

#include <dlfcn.h>

#include <atomic>
#include <filesystem>
#include <system_error>

namespace qv::platform {
namespace {
std::atomic<void*> g_module{nullptr};
int g_anchor;  // an address inside this library

// The path the loader gives may be relative to the working folder of the moment: it is made
// absolute once, while the library loads, before a host can change that folder.
std::string loadedPath() {
    Dl_info info{};
    if (dladdr(static_cast<void*>(&g_anchor), &info) == 0 || info.dli_fname == nullptr || !*info.dli_fname) return {};
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(info.dli_fname, ec);
    return ec ? std::string() : path.lexically_normal().string();
}

const std::string& pathAtLoad() {
    static const std::string path = loadedPath();
    return path;
}
[[maybe_unused]] const std::string& g_pathAtLoad = pathAtLoad();  // taken during static initialisation
std::atomic<bool> g_pinned{false};
}  // namespace

void* moduleHandle() {
    void* h = g_module.load();
    return h ? h : static_cast<void*>(&g_anchor);
}

void setModuleHandle(void* handle) { g_module.store(handle); }

std::string modulePath() { return pathAtLoad(); }

std::string moduleFolder() {
    std::string path = modulePath();
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void pinModule() {
    if (g_pinned.exchange(true)) return;
    const std::string& path = pathAtLoad();
    // A second reference that is never dropped, taken without loading anything new; the
    // handle is deliberately kept. (A program that holds this code itself has nothing to pin.)
    if (!path.empty()) dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

}  // namespace qv::platform
