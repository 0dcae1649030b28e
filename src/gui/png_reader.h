// Decodes a PNG held in memory into 32-bit premultiplied BGRA pixels with rows bottom-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qv {

struct DecodedImage {
    std::unique_ptr<std::uint32_t[]> pixels;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Largest width or height, and largest pixel count (16 MiB of pixels), accepted; larger images
// are refused rather than allocated: a file of a few bytes may declare any size.
inline constexpr std::uint32_t kMaxPngSide = 16384;
inline constexpr std::uint64_t kMaxPngPixels = 1u << 22;

// Every colour type, bit depth and interlace method is turned into 8-bit blue, green, red,
// alpha: palettes and greys expand to RGB, a transparency chunk becomes the alpha channel (else
// alpha is 255), 16-bit samples are stripped to their high byte. The image stands upright in
// the bottom-up result: its top row is the last row in memory. Colours are then premultiplied:
// c = (c * a) >> 8 where a > 0, and a pixel with a = 0 becomes 0.
// Returns false (and an empty image) for data that is not a complete, valid PNG.
bool decodePng(const std::uint8_t* data, std::size_t size, DecodedImage& out);

}  // namespace qv
