// Shared helpers of the integration tests.
#pragma once

#include <memory>
#include <string>

#include "vsthost/audio_buffer.h"
#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"
#include "vsthost/plugin_library.h"

namespace qv::vsthost::test {

std::string pluginPath();                    // the built plug-in, as this platform's calls want the path
std::string scratchDir(const std::string& name);  // an empty folder of its own under the test output
// The plug-in copied as stem (plus the platform's extension) into folder (by default a fresh one
// named after it), with the registry library beside it unless told otherwise.
std::string pluginCopy(const std::string& stem, std::string folder = "", bool withRegistry = true);

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

AudioBuffer noise(int channels, std::size_t frames, std::uint32_t seed = 1);  // independent per channel, 44.1 kHz
AudioBuffer run(HostedEffect& effect, const AudioBuffer& input, int blockSize);  // at 44.1 kHz
// Every output channel equals its input channel, or the only input channel, bit for bit.
void expectPassThrough(const AudioBuffer& in, const AudioBuffer& out, const std::string& what);

// A fresh folder with the copies "Quorvane_2in_2out" and "Quorvane_1in_1out" (and the registry).
struct TwoCopies { std::string folder, stereo, mono; };
TwoCopies makeTwoCopies(const std::string& name, bool withRegistry = true);
// How many instances the registry library of a folder holds, asked through the module the copies
// there share; -1 when it cannot be loaded.
int registryCount(const std::string& folder);

}  // namespace qv::vsthost::test
