#include "registry_support.h"

#include <filesystem>

#include "sys/xel_block.h"
#include "vsthost/os.h"

namespace fs = std::filesystem;

namespace qv::vsthost::test {

namespace {
std::string registryName() { return std::string("QuorvaneSys") + os::libraryExtension(); }
}  // namespace

TwoCopies makeTwoCopies(const std::string& name, bool withRegistry) {
    const fs::path source(pluginPath());
    const fs::path dir = scratchDir("registry/" + name);
    TwoCopies copies;
    copies.folder = dir.string();
    copies.stereo = (dir / ("Quorvane_2in_2out" + source.extension().string())).string();
    copies.mono = (dir / ("Quorvane_1in_1out" + source.extension().string())).string();
    fs::copy_file(source, copies.stereo);
    fs::copy_file(source, copies.mono);
    if (withRegistry) fs::copy_file(source.parent_path() / registryName(), dir / registryName());
    return copies;
}

RegistryProbe::RegistryProbe(const std::string& folder) {
    std::string error;
    library_ = os::openLibrary((fs::path(folder) / registryName()).string(), &error);
    if (library_) proc_ = os::findSymbol(library_, "DoXelData");
}

RegistryProbe::~RegistryProbe() {
    if (library_) os::closeLibrary(library_);
}

unsigned RegistryProbe::count() const {
    if (!proc_) return 0;
    return reinterpret_cast<DoXelDataProc>(proc_)(kXelCount, 0, XelBlock{}).count;
}

}  // namespace qv::vsthost::test
