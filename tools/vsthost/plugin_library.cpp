#include "vsthost/plugin_library.h"

#include "vsthost/os.h"

namespace qv::vsthost {

std::shared_ptr<PluginLibrary> PluginLibrary::load(const std::string& path, std::string* error) {
    std::string reason;
    void* handle = os::openLibrary(path, &reason);
    if (!handle) {
        if (error) *error = "cannot load " + path + ": " + reason;
        return nullptr;
    }
    std::shared_ptr<PluginLibrary> library(new PluginLibrary(handle, path));
    for (const char* name : {"VSTPluginMain", "main"}) {
        if (void* sym = os::findSymbol(handle, name)) {
            library->entry_ = reinterpret_cast<EntryProc>(sym);
            library->entryName_ = name;
            return library;
        }
    }
    if (error) *error = path + " exports neither VSTPluginMain nor main";
    return nullptr;
}

PluginLibrary::~PluginLibrary() { os::closeLibrary(handle_); }

void* PluginLibrary::symbol(const char* name) const { return os::findSymbol(handle_, name); }

}  // namespace qv::vsthost
