#include "platform/dynamic_library.h"

#include <windows.h>

#include "platform/wide_text.h"

namespace qv::platform {

bool DynamicLibrary::open(const std::string& path) {
    close();
    if (!isAbsolute(path)) return false;
    const std::wstring wide = fromUtf8(path);
    // The library's own folder is searched for what it imports, as for the plug-in itself.
    if (!wide.empty()) handle = LoadLibraryExW(wide.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
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

// A drive and its root (C:\ or C:/), a UNC or device path (\\server\share, \\?\C:\), or a
// path from the current drive's root (\folder): never looked up in the search order, unlike a
// bare name or a path relative to the working folder.
bool DynamicLibrary::isAbsolute(const std::string& path) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (!path.empty() && separator(path[0])) return true;
    return path.size() >= 3 && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z') && path[1] == ':' && separator(path[2]);
}

}  // namespace qv::platform
