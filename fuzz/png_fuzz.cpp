// PNG decoding of arbitrary bytes. Each chunk's CRC is recomputed before decoding, so that
// mutated chunks reach the decoder instead of stopping at the checksum. A decoded image must
// have a size within the limits and premultiplied pixels.
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "gui/png_reader.h"

namespace {

std::uint32_t bigEndian(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

void fixChunkCrcs(std::vector<std::uint8_t>& png) {
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = bigEndian(&png[at]);
        if (length > png.size() - at - 12) return;
        const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, &png[at + 4], length + 4));
        std::uint8_t* out = &png[at + 8 + length];
        out[0] = static_cast<std::uint8_t>(crc >> 24);
        out[1] = static_cast<std::uint8_t>(crc >> 16);
        out[2] = static_cast<std::uint8_t>(crc >> 8);
        out[3] = static_cast<std::uint8_t>(crc);
        at += 12 + length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> png(data, data + size);
    fixChunkCrcs(png);
    qv::DecodedImage image;
    if (!qv::decodePng(png.data(), png.size(), image)) {
        if (image.pixels || image.width || image.height) qvfuzz::fail("a refused image left pixels behind");
        return 0;
    }
    if (image.width < 1 || image.height < 1 || image.width > static_cast<std::int32_t>(qv::kMaxPngSide) ||
        image.height > static_cast<std::int32_t>(qv::kMaxPngSide) ||
        static_cast<std::uint64_t>(image.width) * static_cast<std::uint64_t>(image.height) > qv::kMaxPngPixels || !image.pixels) {
        qvfuzz::fail("a decoded image has no pixels or a size out of bounds");
    }
    const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t p = image.pixels[i];
        const std::uint32_t a = p >> 24;
        if ((p & 0xFF) > a || (p >> 8 & 0xFF) > a || (p >> 16 & 0xFF) > a) qvfuzz::fail("a pixel is not premultiplied");
    }
    return 0;
}
