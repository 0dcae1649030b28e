// A plug-in library loaded by path, with its VST 2.4 entry point found.
#pragma once

#include <memory>
#include <string>

#include "host/vst_abi.h"

namespace qv::vsthost {

using EntryProc = vst::AEffect* (*)(vst::audioMasterCallback);

class PluginLibrary {
public:
    // Loads the library and looks for "VSTPluginMain", then "main". Returns null and a reason in
    // *error when the file does not load or exports neither.
    static std::shared_ptr<PluginLibrary> load(const std::string& path, std::string* error);

    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    EntryProc entry() const { return entry_; }
    const std::string& entryName() const { return entryName_; }
    const std::string& path() const { return path_; }
    // Any other exported symbol, or null.
    void* symbol(const char* name) const;

private:
    PluginLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}

    void* handle_;
    std::string path_;
    EntryProc entry_ = nullptr;
    std::string entryName_;
};

}  // namespace qv::vsthost
