#include "host/channel_config.h"

#include <cstdint>

namespace qv {
namespace {

// The rule of sscanf with "%d": leading blanks and a sign, then digits; the rest is ignored.
// Read here without sscanf, whose result is undefined for a number beyond int: such a number
// (any number above the largest channel count) reads as out of range.
bool readInt(std::string_view text, int& value) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    constexpr std::int64_t kBeyond = 1000;  // larger than every count taken, small enough never to overflow
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        magnitude = magnitude >= kBeyond ? kBeyond : magnitude * 10 + (text[i] - '0');
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

// Characters, not bytes: the path is UTF-8.
std::size_t characterCount(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u ? 1 : 0;
    return n;
}

}  // namespace

ChannelConfig parseChannelConfig(std::string_view path, std::string_view extension) {
    ChannelConfig none;
    if (characterCount(path) >= 1023) return none;
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
