// Shared helpers of the integration tests: where the plug-ins are, scratch folders, renamed
// copies of the plug-in, and one loaded effect with its host.
#pragma once

#include <memory>
#include <string>

#include "vsthost/audio_buffer.h"
#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"
#include "vsthost/plugin_library.h"

namespace qv::vsthost::test {

// The built plug-in, as this platform's calls want the path.
std::string pluginPath();
// A host fixture plug-in: "main" or "null".
std::string fixturePath(const std::string& kind);
// An empty folder of its own for one test, under the test output folder.
std::string scratchDir(const std::string& name);
// The built plug-in copied under another file name (the stem; the extension is the platform's)
// into a folder of that name, next to the libraries it loads from its own folder.
std::string pluginCopy(const std::string& stem);

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

// Runs the effect over the input with the given block size at 44.1 kHz.
AudioBuffer run(HostedEffect& effect, const AudioBuffer& input, int blockSize);

}  // namespace qv::vsthost::test
