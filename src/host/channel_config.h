// The channel configuration carried by the library's own file name:
// ".../Quorvane_<in>in_<out>out<anything><ext>" selects <in> inputs and <out> outputs.
#pragma once

#include <string_view>

namespace qv {

struct ChannelConfig {
    int inputs = -1;   // -1: not given (the core's default of 2)
    int outputs = -1;
};

// extension is the platform's library extension (".dll" on Windows, ".so" elsewhere). Counts are
// taken only when both lie in 1..32 and the input count is 1 or equals the output count.
ChannelConfig parseChannelConfig(std::string_view path, std::string_view extension);

// The extension of this platform's plug-in libraries.
std::string_view libraryExtension();

}  // namespace qv
