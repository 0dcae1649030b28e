// A state chunk from a damaged or foreign project file, handed to a live instance: whatever it
// holds, the instance keeps passing audio through, its display data stays readable, and the
// chunk it then gives back is one that it (and any new instance) accepts again unchanged.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto plugin = [] {
        qvfuzz::silenceReports();
        return qvfuzz::makeInstance();
    }();
    if (size > 1u << 20) return 0;
    // The host's buffer holds exactly `size` bytes.
    plugin->setChunk(size ? data : nullptr, static_cast<std::int32_t>(size), false);

    qvfuzz::requireValidChunk(*plugin);
    void* out = nullptr;
    const std::int32_t outSize = plugin->getChunk(&out, false);
    const std::vector<std::uint8_t> first(static_cast<const std::uint8_t*>(out), static_cast<const std::uint8_t*>(out) + outSize);
    if (plugin->setChunk(first.data(), outSize, false) != 1) qvfuzz::fail("the instance refused its own chunk");
    plugin->getChunk(&out, false);
    if (std::memcmp(out, first.data(), first.size()) != 0) qvfuzz::fail("restoring its own chunk changed the settings");

    qvfuzz::requirePassThrough(*plugin, 2048);
    qvfuzz::readDisplayData(*plugin);
    return 0;
}
