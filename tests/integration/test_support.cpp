#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "vsthost/os.h"
#include "vsthost/renderer.h"

namespace fs = std::filesystem;

namespace qv::vsthost::test {

std::string pluginPath() { return os::nativePath(QV_PLUGIN_PATH); }

std::string fixturePath(const std::string& kind) {
    return os::nativePath(std::string(QV_FIXTURE_DIR) + "/fixture_" + kind + QV_LIBRARY_SUFFIX);
}

std::string scratchDir(const std::string& name) {
    const fs::path dir = fs::path(os::nativePath(QV_TEST_OUT_DIR)) / "integration" / name;
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    return dir.string();
}

std::string pluginCopy(const std::string& stem) {
    const fs::path source(pluginPath());
    const fs::path dir = scratchDir("copies/" + stem);
    const fs::path target = dir / (stem + source.extension().string());
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    // Libraries the plug-in loads from its own folder travel with it.
    for (const auto& entry : fs::directory_iterator(source.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.rfind("QuorvaneSys", 0) == 0) {
            fs::copy_file(entry.path(), dir / name, fs::copy_options::overwrite_existing);
        }
    }
    return target.string();
}

Loaded load(const std::string& path) {
    Loaded loaded;
    loaded.library = PluginLibrary::load(path, &loaded.error);
    if (loaded.library) loaded.effect = HostedEffect::create(loaded.library, *loaded.host, &loaded.error);
    return loaded;
}

AudioBuffer run(HostedEffect& effect, const AudioBuffer& input, int blockSize) {
    RenderSettings settings;
    settings.blockSize = blockSize;
    RenderResult result = render(effect, input, settings);
    EXPECT_TRUE(result.ok) << result.error;
    return std::move(result.output);
}

}  // namespace qv::vsthost::test
