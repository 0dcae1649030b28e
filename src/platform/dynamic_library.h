// A shared library loaded at run time by full path.
#pragma once

#include <string>

namespace qv::platform {

class DynamicLibrary {
public:
    DynamicLibrary() = default;
    ~DynamicLibrary() { close(); }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the library at path; false (and nothing loaded) when it cannot be loaded.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return handle != nullptr; }
    // Address of an exported symbol, or null.
    void* symbol(const char* name) const;

    // The platform's extension of shared libraries (".dll" or ".so") and its path separator.
    static const char* extension();
    static char separator();

private:
    void* handle = nullptr;
};

}  // namespace qv::platform
