// The library's own file name: any path (any bytes, any length, any script) gives either no
// configuration or one that the core can build, and the same path always gives the same answer.
//
// Input: a byte choosing the extension (even ".dll", odd ".so"), then the path.
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "host/channel_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view extension = data[0] % 2 == 0 ? ".dll" : ".so";
    const std::string_view path(reinterpret_cast<const char*>(data + 1), size - 1);
    const qv::ChannelConfig config = qv::parseChannelConfig(path, extension);
    const bool none = config.inputs == -1 && config.outputs == -1;
    const bool valid = config.inputs >= 1 && config.inputs <= 32 && config.outputs >= 1 && config.outputs <= 32 &&
                       (config.inputs == 1 || config.inputs == config.outputs);
    if (!none && !valid) qvfuzz::fail("a configuration outside 1..32 or with mismatched counts");
    const qv::ChannelConfig again = qv::parseChannelConfig(path, extension);
    if (again.inputs != config.inputs || again.outputs != config.outputs) qvfuzz::fail("the same path read twice differs");
    // A path without the prefix has nothing to configure.
    if (!none && path.find("Quorvane_") == std::string_view::npos) qvfuzz::fail("a configuration without the prefix");
    return 0;
}
