// Packing of the 32-bit pixel word: bytes blue, green, red, alpha in memory order, so the word
// read on a little-endian machine is 0xAARRGGBB.
#pragma once

#include <cstdint>

namespace qv {

constexpr std::uint32_t packPixel(std::uint32_t blue, std::uint32_t green, std::uint32_t red, std::uint32_t alpha) {
    return (blue & 0xFFu) | (green & 0xFFu) << 8 | (red & 0xFFu) << 16 | (alpha & 0xFFu) << 24;
}
constexpr std::uint32_t pixelBlue(std::uint32_t p) { return p & 0xFFu; }
constexpr std::uint32_t pixelGreen(std::uint32_t p) { return p >> 8 & 0xFFu; }
constexpr std::uint32_t pixelRed(std::uint32_t p) { return p >> 16 & 0xFFu; }
constexpr std::uint32_t pixelAlpha(std::uint32_t p) { return p >> 24; }

}  // namespace qv
