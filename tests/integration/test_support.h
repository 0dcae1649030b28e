// Shared helpers of the integration tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "sys/xel_block.h"
#include "vsthost/audio_buffer.h"
#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"
#include "vsthost/os.h"
#include "vsthost/plugin_library.h"
#include "vsthost/renderer.h"
#include "vsthost/signal_generator.h"

namespace qv::vsthost::test {

namespace fs = std::filesystem;

// Paths are UTF-8 text in the tests as in the host and the plug-in, whatever the system's code page.
inline fs::path fromUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }
inline std::string toUtf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The built plug-in, as this platform's calls want the path, and the registry library in a folder.
inline std::string pluginPath() { return os::nativePath(QV_PLUGIN_PATH); }
inline fs::path registryIn(const fs::path& folder) {
    return folder / (std::string("QuorvaneSys") + os::libraryExtension());
}

// An empty folder of its own under the test output.
inline std::string scratchDir(const std::string& name) {
    const fs::path dir = fs::path(os::nativePath(QV_TEST_OUT_DIR)) / "integration" / name;
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    return dir.string();
}

// The plug-in copied as stem (plus the platform's extension) into folder (UTF-8, made when
// missing; by default a fresh one named after it), with the registry library beside it unless
// told otherwise.
inline std::string pluginCopy(const std::string& stem, std::string folder = "", bool withRegistry = true) {
    const fs::path source(pluginPath());
    if (folder.empty()) folder = scratchDir("copies/" + stem);
    const fs::path dir = fromUtf8(folder);
    fs::create_directories(dir);
    const fs::path target = dir / (stem + source.extension().string());
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    // Once: overwriting fails in some standard libraries on Windows.
    if (withRegistry && !fs::exists(registryIn(dir))) fs::copy_file(registryIn(source.parent_path()), registryIn(dir));
    return toUtf8(target);
}

// One effect with the host that answers it; the members are destroyed effect first.
struct Loaded {
    std::shared_ptr<PluginLibrary> library;
    std::unique_ptr<HostContext> host = std::make_unique<HostContext>();
    std::unique_ptr<HostedEffect> effect;
    std::string error;

    explicit operator bool() const { return effect != nullptr; }
    HostedEffect* operator->() const { return effect.get(); }
};
inline Loaded load(const std::string& path) {
    Loaded loaded;
    loaded.library = PluginLibrary::load(path, &loaded.error);
    if (loaded.library) loaded.effect = HostedEffect::create(loaded.library, *loaded.host, &loaded.error);
    return loaded;
}

// White noise, independent per channel, and a run through the effect, both at 44.1 kHz.
inline AudioBuffer noise(int channels, std::size_t frames, std::uint32_t seed = 1) {
    const SignalSettings white{.kind = SignalKind::White, .amplitude = 1.0, .seconds = frames / 44100.0, .seed = seed};
    return generateSignal(white, 44100.0, channels);
}
inline AudioBuffer run(HostedEffect& effect, const AudioBuffer& input, int blockSize) {
    RenderResult result = render(effect, input, RenderSettings{.blockSize = blockSize});
    EXPECT_TRUE(result.ok) << result.error;
    return std::move(result.output);
}

// Every output channel equals its input channel, or the only input channel, bit for bit.
inline void expectPassThrough(const AudioBuffer& in, const AudioBuffer& out, const std::string& what) {
    ASSERT_EQ(out.frames(), in.frames()) << what;
    ASSERT_TRUE(in.channels() == out.channels() || in.channels() == 1) << what;
    for (int c = 0; c < out.channels(); ++c) {
        const float* source = in.channel(in.channels() == 1 ? 0 : c);
        EXPECT_EQ(std::memcmp(out.channel(c), source, in.frames() * sizeof(float)), 0) << what << ", channel " << c;
    }
}

// A fresh folder with the copies "Quorvane_2in_2out" and "Quorvane_1in_1out" (and the registry).
struct TwoCopies { std::string folder, stereo, mono; };
inline TwoCopies makeTwoCopies(const std::string& name, bool withRegistry = true) {
    const std::string dir = scratchDir("registry/" + name);
    const auto copy = [&](const char* stem) { return pluginCopy(stem, dir, withRegistry); };
    return {dir, copy("Quorvane_2in_2out"), copy("Quorvane_1in_1out")};
}

// How many instances the registry library of a folder holds, asked through the module the copies
// there share (loaded once per folder and kept, so the count outlives the copies); -1 when it
// cannot be loaded.
inline int registryCount(const std::string& folder) {
    static std::map<std::string, void*> procs;
    void*& proc = procs[folder];
    std::string error;
    if (void* library = proc ? nullptr : os::openLibrary(registryIn(folder).string(), &error)) {
        proc = os::findSymbol(library, "DoXelData");
    }
    return proc ? static_cast<int>(reinterpret_cast<DoXelDataProc>(proc)(kXelCount, 0, XelBlock{}).count) : -1;
}

}  // namespace qv::vsthost::test
