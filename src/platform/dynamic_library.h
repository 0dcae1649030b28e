// A shared library loaded at run time by full path, never through the system's search order.
#pragma once

#include <string>

namespace qv::platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary() { close(); }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the library at path (UTF-8); false (and nothing loaded) when it cannot be loaded or
    // the path is not absolute: a bare or relative name would let the search order (current
    // folder, PATH) choose which file runs.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return handle != nullptr; }
    // Address of an exported symbol, or null.
    void* symbol(const char* name) const;

    // The platform's extension of shared libraries (".dll" or ".so") and its path separator.
    static const char* extension();
    static char separator();
    static bool isAbsolute(const std::string& path);

private:
    void* handle = nullptr;
};

}  // namespace qv::platform
