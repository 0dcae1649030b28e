#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "sys/xel_block.h"
#include "vsthost/os.h"
#include "vsthost/renderer.h"
#include "vsthost/signal_generator.h"

namespace fs = std::filesystem;

namespace qv::vsthost::test {

std::string pluginPath() { return os::nativePath(QV_PLUGIN_PATH); }

static fs::path registryIn(const fs::path& folder) { return folder / (std::string("QuorvaneSys") + os::libraryExtension()); }

std::string scratchDir(const std::string& name) {
    const fs::path dir = fs::path(os::nativePath(QV_TEST_OUT_DIR)) / "integration" / name;
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    return dir.string();
}

std::string pluginCopy(const std::string& stem, std::string folder, bool withRegistry) {
    const fs::path source(pluginPath());
    if (folder.empty()) folder = scratchDir("copies/" + stem);
    const fs::path target = fs::path(folder) / (stem + source.extension().string());
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    // Once: overwriting fails in some standard libraries on Windows.
    if (withRegistry && !fs::exists(registryIn(folder))) fs::copy_file(registryIn(source.parent_path()), registryIn(folder));
    return target.string();
}

Loaded load(const std::string& path) {
    Loaded loaded;
    loaded.library = PluginLibrary::load(path, &loaded.error);
    if (loaded.library) loaded.effect = HostedEffect::create(loaded.library, *loaded.host, &loaded.error);
    return loaded;
}

AudioBuffer noise(int channels, std::size_t frames, std::uint32_t seed) {
    const double seconds = static_cast<double>(frames) / 44100.0;
    return generateSignal({.kind = SignalKind::White, .amplitude = 1.0, .seconds = seconds, .seed = seed}, 44100.0, channels);
}

AudioBuffer run(HostedEffect& effect, const AudioBuffer& input, int blockSize) {
    RenderResult result = render(effect, input, RenderSettings{.blockSize = blockSize});
    EXPECT_TRUE(result.ok) << result.error;
    return std::move(result.output);
}

void expectPassThrough(const AudioBuffer& in, const AudioBuffer& out, const std::string& what) {
    ASSERT_EQ(out.frames(), in.frames()) << what;
    ASSERT_TRUE(in.channels() == out.channels() || in.channels() == 1) << what;
    for (int c = 0; c < out.channels(); ++c) {
        const float* source = in.channel(in.channels() == 1 ? 0 : c);
        EXPECT_EQ(std::memcmp(out.channel(c), source, in.frames() * sizeof(float)), 0) << what << ", channel " << c;
    }
}

TwoCopies makeTwoCopies(const std::string& name, bool withRegistry) {
    const std::string dir = scratchDir("registry/" + name);
    return {dir, pluginCopy("Quorvane_2in_2out", dir, withRegistry), pluginCopy("Quorvane_1in_1out", dir, withRegistry)};
}

int registryCount(const std::string& folder) {
    // Loaded once per folder and kept: the count outlives the loads of the copies themselves.
    static std::map<std::string, void*> procs;
    void*& proc = procs[folder];
    std::string error;
    if (void* library = proc ? nullptr : os::openLibrary(registryIn(folder).string(), &error)) {
        proc = os::findSymbol(library, "DoXelData");
    }
    return proc ? static_cast<int>(reinterpret_cast<DoXelDataProc>(proc)(kXelCount, 0, XelBlock{}).count) : -1;
}

}  // namespace qv::vsthost::test
