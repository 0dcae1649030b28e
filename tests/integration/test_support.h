// Shared helpers of the integration tests.
#pragma once

#include <memory>
#include <string>

#include "vsthost/audio_buffer.h"
#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"
#include "vsthost/plugin_library.h"

namespace qv::vsthost::test {

std::string pluginPath();  // the built plug-in, as this platform's calls want the path
std::string registryName();  // file name of the registry library
// An empty folder of its own for one test, under the test output folder.
std::string scratchDir(const std::string& name);
// The built plug-in copied under another file name (the stem; the extension is the platform's)
// into the folder (by default a fresh one of that name), with the libraries it loads from its
// own folder unless told not to.
std::string pluginCopy(const std::string& stem, std::string folder = "", bool withLibraries = true);

// One effect with the host that answers it; the members are destroyed effect first.
struct Loaded {
    std::shared_ptr<PluginLibrary> library;
    std::unique_ptr<HostContext> host = std::make_unique<HostContext>();
    std::unique_ptr<HostedEffect> effect;
    std::string error;

    explicit operator bool() const { return effect != nullptr; }
    HostedEffect* operator->() const { return effect.get(); }
};
Loaded load(const std::string& path);

// White noise, independent on each channel, at 44.1 kHz.
AudioBuffer noise(int channels, std::size_t frames, std::uint32_t seed = 1);
// Runs the effect over the input with the given block size at 44.1 kHz.
AudioBuffer run(HostedEffect& effect, const AudioBuffer& input, int blockSize);
// Every output channel equals its input channel, or the only input channel, bit for bit.
void expectPassThrough(const AudioBuffer& in, const AudioBuffer& out, const std::string& what);

// A fresh folder with the plug-in as "Quorvane_2in_2out" and "Quorvane_1in_1out" and, unless
// withRegistry is false, the registry library beside them.
struct TwoCopies {
    std::string folder, stereo, mono;  // the folder and the paths of the two copies
};
TwoCopies makeTwoCopies(const std::string& name, bool withRegistry = true);

// How many instances the registry library of a folder holds, asked by the test itself through
// the module the copies in that folder share; -1 when it cannot be loaded.
int registryCount(const std::string& folder);

}  // namespace qv::vsthost::test
