#include "host/channel_config.h"

#include <cstdio>
#include <string>

namespace qv {
namespace {

// The rule of sscanf with "%d": leading blanks and a sign, then digits; the rest is ignored.
bool readInt(std::string_view text, int& value) {
    const std::string copy(text);
    return std::sscanf(copy.c_str(), "%d", &value) == 1;
}

}  // namespace

ChannelConfig parseChannelConfig(std::string_view path, std::string_view extension) {
    ChannelConfig none;
    if (path.size() >= 1023) return none;
    constexpr std::string_view kPrefix = "Quorvane_";
    const auto at = path.rfind(kPrefix);
    if (at == std::string_view::npos) return none;
    std::string_view rest = path.substr(at + kPrefix.size());
    const auto ext = rest.find(extension);
    if (ext == std::string_view::npos) return none;
    rest = rest.substr(0, ext);
    const auto in = rest.find("in_");
    if (in == std::string_view::npos) return none;
    const std::string_view inputText = rest.substr(0, in);
    rest = rest.substr(in + 3);
    const auto out = rest.find("out");
    if (out == std::string_view::npos) return none;
    const std::string_view outputText = rest.substr(0, out);
    int inputs = 0, outputs = 0;
    if (!readInt(inputText, inputs) || !readInt(outputText, outputs)) return none;
    if (inputs < 1 || inputs > 32 || outputs < 1 || outputs > 32) return none;
    if (inputs != 1 && inputs != outputs) return none;
    return ChannelConfig{inputs, outputs};
}

}  // namespace qv
